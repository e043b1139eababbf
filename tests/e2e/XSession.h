// A private X server, as a desktop session without its window manager: Xvfb on a free
// display, repeating held keys as X servers do by default, and xdotool to type on it.
#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>

namespace ws::test {

class XSession {
public:
    XSession() {
        if (!available())
            return;
        // -displayfd picks a free display and writes its number once the server listens.
        server_.start("Xvfb",
                      {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
        while (!server_.canReadLine() && server_.waitForReadyRead(30000)) {
        }
        const QString number = QString::fromUtf8(server_.readLine()).trimmed();
        if (!number.isEmpty())
            display_ = ":" + number;
        // Told only once it answers a client.
        if (!QTest::qWaitFor([&] { return xdotool({"getmouselocation"}); }, 30000))
            display_.clear();
    }
    ~XSession() {
        // Asked, so that it takes its socket and lock file away for the next one.
        server_.terminate();
        if (!server_.waitForFinished(10000))
            server_.kill();
        server_.waitForFinished();
    }
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    static bool available() {
        return !QStandardPaths::findExecutable("Xvfb").isEmpty() &&
               !QStandardPaths::findExecutable("xdotool").isEmpty();
    }
    // ":<n>", or empty when the server did not come up.
    const QString& display() const { return display_; }

    // Runs xdotool on this display; true when it succeeded, with its output in `out`.
    bool xdotool(const QStringList& args, QString* out = nullptr) const {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        tool.setProcessEnvironment(env);
        tool.start("xdotool", args);
        const bool done = tool.waitForFinished(60000) && tool.exitCode() == 0;
        if (out)
            *out = QString::fromUtf8(tool.readAllStandardOutput());
        return done;
    }
    // The shown windows of process `pid`, a main window before the boxes it opens.
    QStringList windowsOf(qint64 pid) const {
        QString ids;
        xdotool({"search", "--onlyvisible", "--pid", QString::number(pid)}, &ids);
        return ids.split('\n', Qt::SkipEmptyParts);
    }

private:
    QProcess server_;
    QString display_;
};

} // namespace ws::test
