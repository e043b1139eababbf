// A user at the real main window on a private sound server: one null sink, picked in the
// Device menu, records what the program plays; a demo set is given on the command line.
// Every demo file has a fundamental of its own, so the recording, cut into short windows,
// tells which file sounded when and at what pitch.
#pragma once

#include "DemoTones.h"
#include "PulseServer.h"
#include "QtPath.h"
#include "ServerWindow.h"
#include "TestSupport.h"
#include "ToneAnalysis.h"
#include "audio/MixerChannel.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace ws::test {

inline constexpr double Rate = 44100.0;       // the null sink's and the recording's rate
inline constexpr std::size_t Window = 22050;  // 500 ms: 80 Hz and 85 Hz fall in separate lobes
inline constexpr std::size_t Hop = 4410;      // 100 ms
inline constexpr std::size_t SeamWindows = 4; // shorter runs are seams and dropouts, not sounds
inline constexpr double Quiet = 1e-4;         // RMS of full scale below which a window is silence
inline constexpr int Patience = 30000;        // ms; far beyond any wait the tests need
inline constexpr const char* SinkName = "ws_engine";
inline constexpr const char* SinkDescription = "Whistlestop Engine Sink";

inline double seconds(std::size_t windows) {
    return double(windows * Hop) / Rate;
}

inline double hzOf(const char* set, const char* file) {
    const demo::DemoFile* f = demo::findDemoFile(set, file);
    EXPECT_NE(f, nullptr) << set << "/" << file;
    return f ? f->hz : 0.0;
}

inline std::string fileOn(const MixerChannel* channel) {
    return channel ? std::filesystem::path(channel->FileName()).filename().string() : "";
}

// A main window on a private sound server with one null sink, picked in the Device menu,
// the demo set given on the command line, shown and active so that keys reach it.
class HeardSession {
public:
    HeardSession() : server_(std::vector<PulseServer::Sink>{{SinkName, SinkDescription}}) {}

    bool open(const char* set) { return openWith(qpath(demoDir() / set)); }

    // The program started with `argument` on its command line: a folder or a wave file.
    bool openWith(const QString& argument) {
        if (!server_.running()) {
            ADD_FAILURE() << server_.error();
            return false;
        }
        server_.useForThisProcess();
        loadDeviceLists();
        user_ = std::make_unique<ServerWindow>(dir_, QStringList{argument});
        QAction* sink = user_->deviceItem(SinkDescription);
        if (!sink) {
            ADD_FAILURE() << "the sink is not in the Device menu";
            return false;
        }
        sink->trigger();
        window().show();
        window().activateWindow();
        return QTest::qWaitForWindowActive(&window());
    }

    MainWindow& window() { return *user_->window; }
    const QStringList& boxes() const { return user_->boxes; }
    PulseServer& server() { return server_; }
    QAction* deviceItem() const { return user_->deviceItem(SinkDescription); }
    std::unique_ptr<PulseServer::Recording> record() { return server_.record(SinkName); }

    void click(const char* button) {
        auto* b = window().findChild<QPushButton*>(button);
        ASSERT_NE(b, nullptr) << button;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // A key as the user types it: to whatever has the keyboard focus.
    static void press(Qt::Key key) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, key);
    }

private:
    PulseServer server_;
    TempDir dir_;
    std::unique_ptr<ServerWindow> user_;
};

inline std::string describe(const std::vector<LabelRun>& runs,
                            const std::vector<std::string>& names) {
    std::ostringstream out;
    for (const LabelRun& r : runs)
        out << (r.label < 0 ? "silence" : names[std::size_t(r.label)]) << " " << seconds(r.first)
            << "s+" << seconds(r.count) << "s; ";
    return out.str();
}

} // namespace ws::test
