// A private X server, as a desktop session without its window manager: Xvfb on a free
// display, repeating held keys as X servers do by default, and xdotool to type on it.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace ws::test {

class XSession {
public:
    static bool available() {
        return !QStandardPaths::findExecutable("Xvfb").isEmpty() &&
               !QStandardPaths::findExecutable("xdotool").isEmpty();
    }
    // -displayfd picks a free display and writes its number once the server listens.
    XSession() {
        server_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp"});
        while (!server_.canReadLine() && server_.waitForReadyRead(30000)) {
        }
        env_.insert("DISPLAY", ":" + QString::fromUtf8(server_.readLine()).trimmed());
        env_.insert("QT_QPA_PLATFORM", "xcb");
    }
    ~XSession() { server_.terminate(); } // asked, so that it takes its socket away
    // DISPLAY and the platform for a program to run on this server.
    const QProcessEnvironment& environment() const { return env_; }

    // Runs xdotool on this display; true when it succeeded.
    bool xdotool(const QStringList& args, QString* out = nullptr) const {
        QProcess tool;
        tool.setProcessEnvironment(env_);
        tool.start("xdotool", args);
        const bool done = tool.waitForFinished(60000) && tool.exitCode() == 0;
        if (out)
            *out = QString::fromUtf8(tool.readAllStandardOutput()).split('\n').front();
        return done;
    }
    // Focuses the first window that process `pid` shows and holds `key` down for `ms`.
    bool holdKey(qint64 pid, const QString& key, int ms) const {
        QString window;
        const QStringList search{"search", "--onlyvisible", "--pid", QString::number(pid)};
        if (!QTest::qWaitFor([&] { return xdotool(search, &window); }, 30000) ||
            !xdotool({"windowfocus", "--sync", window, "keydown", key}))
            return false;
        QTest::qWait(ms);
        return xdotool({"keyup", key});
    }

private:
    QProcess server_;
    QProcessEnvironment env_;
};

} // namespace ws::test
