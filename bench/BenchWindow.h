// The real main window for the benchmarks that time what a user does: one QApplication on
// the offscreen platform for the whole run, a window on a demo set with its settings in a
// scratch folder (the launcher's set-up answered) and every message box answered at once,
// and the user's clicks and keys.
#pragma once

#include "QtPath.h"
#include "TestSupport.h"
#include "shell/MainWindow.h"
#include "shell/Toolkit.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace ws::bench {

inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "ws_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
}

class BenchWindow {
public:
    explicit BenchWindow(const char* set) {
        ensureApplication();
        setMessageResponder([](const QString&, bool) { return true; });
        StartOptions options;
        options.settingsFile = test::qpath(dir_ / "whistlestop.ini");
        QFile settings(options.settingsFile);
        if (settings.open(QIODevice::WriteOnly))
            settings.write("[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=NotFound\r\n"
                           "TS12dir=NotFound\r\n");
        settings.close();
        options.arguments = {test::qpath(test::demoDir() / set)};
        window_ = std::make_unique<MainWindow>(options);
        window_->show();
        window_->activateWindow();
        active_ = QTest::qWaitForWindowActive(window_.get());
    }
    ~BenchWindow() {
        window_.reset();
        setMessageResponder(nullptr);
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    MainWindow& window() { return *window_; }
    // False when the window never became active: keys would go nowhere.
    bool active() const { return active_; }
    void click(const char* button) {
        if (auto* b = window_->findChild<QPushButton*>(button))
            QTest::mouseClick(b, Qt::LeftButton);
    }
    // A key to whatever has the keyboard focus (the throttle, after Start).
    static void press(Qt::Key key) {
        if (QWidget* focused = QApplication::focusWidget())
            QTest::keyClick(focused, key);
    }

private:
    test::TempDir dir_;
    std::unique_ptr<MainWindow> window_;
    bool active_ = false;
};

} // namespace ws::bench
