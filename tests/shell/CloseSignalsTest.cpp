// SIGTERM and SIGINT close the window from its event loop, however many come at once, and
// leave the interrupted code's errno as it was.
#include "shell/CloseSignals.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

TEST(CloseSignalsTest, AFloodOfSignalsClosesTheWindowAndKeepsErrno) {
    struct sigaction oldTerm {
    }, oldInt{};
    sigaction(SIGTERM, nullptr, &oldTerm);
    sigaction(SIGINT, nullptr, &oldInt);
    ws::catchCloseSignals();

    QWidget window;
    window.show();
    // More signals than the socket holds before the event loop reads any of them.
    int errnoChangedAt = -1;
    for (int i = 0; i < 1000 && errnoChangedAt < 0; ++i) {
        errno = EDOM;
        ::raise(i % 2 ? SIGINT : SIGTERM);
        if (errno != EDOM)
            errnoChangedAt = i;
    }
    ws::closeOnSignals(window);
    const bool closed = QTest::qWaitFor([&] { return !window.isVisible(); }, 10000);

    sigaction(SIGTERM, &oldTerm, nullptr);
    sigaction(SIGINT, &oldInt, nullptr);
    EXPECT_EQ(errnoChangedAt, -1) << "errno was changed by signal " << errnoChangedAt;
    EXPECT_TRUE(closed);
}
