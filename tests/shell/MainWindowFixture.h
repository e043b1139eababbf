// Builds the real main window for a test: a settings file in a scratch folder, the command
// line the test gives, the manual sound back end, and modal boxes answered by the test.
#pragma once

#include "QtPath.h"
#include "TestSupport.h"
#include "audio/ManualSoundSystem.h"
#include "audio/Mixer.h"
#include "shell/MainWindow.h"
#include "shell/Toolkit.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>

namespace ws::test {

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Two output devices, so the Device menu has something to switch between.
        previous_ = setSoundSystem(std::make_unique<ManualSoundSystem>(
            std::vector<OutputDeviceInfo>{{"Default output", ""}, {"Second card", "card-2"}}));
        loadDeviceLists();
    }
    static void TearDownTestSuite() { setSoundSystem(std::move(previous_)); }

    void SetUp() override {
        // The simulator's drive and the user's data folder are the test's own.
        env.set("WINEPREFIX", (dir / "wine").string());
        env.set("XDG_DATA_HOME", (dir / "data").string());
        setMessageResponder([this](const QString& text, bool isError) {
            (isError ? errors : messages) << text;
            return true;
        });
    }
    void TearDown() override {
        window.reset();
        setMessageResponder(nullptr);
    }

    QString settingsFile() const { return qpath(dir / "whistlestop.ini"); }

    void writeSettings(const QByteArray& text) {
        QFile f(settingsFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray readSettings() const {
        QFile f(settingsFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    MainWindow& start(const QStringList& arguments = {}) {
        // Without an answer for every simulator version the Open-With installer would open
        // its folder browser five seconds after start.
        if (openWithAnswered && !QFile::exists(settingsFile()))
            writeSettings("[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=NotFound\r\n"
                          "TS12dir=NotFound\r\n");
        StartOptions options;
        options.settingsFile = settingsFile();
        options.arguments = arguments;
        window = std::make_unique<MainWindow>(options);
        return *window;
    }

    template <typename T> T* control(const char* name) {
        T* c = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    static QString demo(const char* set) { return qpath(demoDir() / set); }

    TempDir dir;
    ScopedEnv env;
    bool openWithAnswered = true; // start() answers the installer unless told otherwise
    std::unique_ptr<MainWindow> window;
    QStringList messages, errors;

private:
    static inline std::unique_ptr<SoundSystem> previous_;
};

} // namespace ws::test
