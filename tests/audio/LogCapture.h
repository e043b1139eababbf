// Collects the program's log messages (qWarning, qCritical, ...) while it exists, from every
// thread, and restores the previous handler afterwards. One at a time.
#pragma once

#include <QString>
#include <QtGlobal>

#include <mutex>
#include <string>
#include <vector>

namespace ws::test {

class LogCapture {
public:
    LogCapture() {
        std::lock_guard lock(mutex());
        messages().clear();
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // True when a message of at least `type`'s severity contains `text`.
    bool contains(const std::string& text, QtMsgType type = QtWarningMsg) const {
        std::lock_guard lock(mutex());
        for (const auto& [t, message] : messages())
            if (severity(t) >= severity(type) && message.find(text) != std::string::npos)
                return true;
        return false;
    }

private:
    static int severity(QtMsgType type) {
        switch (type) {
        case QtDebugMsg:
            return 0;
        case QtInfoMsg:
            return 1;
        case QtWarningMsg:
            return 2;
        case QtCriticalMsg:
            return 3;
        case QtFatalMsg:
            return 4;
        }
        return 0;
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<std::pair<QtMsgType, std::string>>& messages() {
        static std::vector<std::pair<QtMsgType, std::string>> list;
        return list;
    }
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
        std::lock_guard lock(mutex());
        messages().emplace_back(type, message.toStdString());
    }

    QtMessageHandler previous_ = nullptr;
};

} // namespace ws::test
