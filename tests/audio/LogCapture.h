// Collects the program's warnings and errors (qWarning, qCritical) from every thread while
// it exists, and restores the previous message handler afterwards. One at a time.
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

    // True when a warning or error containing `text` was logged.
    bool contains(const std::string& text) const {
        std::lock_guard lock(mutex());
        for (const auto& message : messages())
            if (message.find(text) != std::string::npos)
                return true;
        return false;
    }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<std::string>& messages() {
        static std::vector<std::string> list;
        return list;
    }
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type != QtWarningMsg && type != QtCriticalMsg && type != QtFatalMsg)
            return;
        std::lock_guard lock(mutex());
        messages().push_back(message.toStdString());
    }

    QtMessageHandler previous_ = nullptr;
};

} // namespace ws::test
