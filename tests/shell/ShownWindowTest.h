// The real main window shown and active on a demo set, so that clicks and keys reach it as a
// user's would, with what its channels and labels hold at hand.
#pragma once

#include "MainWindowFixture.h"
#include "ManualListener.h"

#include <QLabel>
#include <QTest>

#include <string>

namespace ws::test {

class ShownWindowTest : public MainWindowTest {
protected:
    void startShown(const char* set) {
        start({demo(set)});
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    std::string file1() const { return nameOf(window->mixerChannel1()); }
    std::string file2() const { return nameOf(window->mixerChannel2()); }
    QString text(const char* label) { return control<QLabel>(label)->text(); }
};

} // namespace ws::test
