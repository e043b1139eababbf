// What the parts of the asset checker share while they check one folder: the report they
// add to, and the files of the set that are present and decoded.
#pragma once

#include "AssetCheck.h"

#include <QString>

namespace ws::check {

class CheckContext {
public:
    explicit CheckContext(AssetReport& report) : report_(report) {}

    AssetReport& report() { return report_; }
    const AssetReport& report() const { return report_; }

    void warn(const QString& file, const QString& cause, const QString& detail,
              const QString& advice) {
        add(Severity::Warning, file, cause, detail, advice);
    }
    void error(const QString& file, const QString& cause, const QString& detail,
               const QString& advice) {
        add(Severity::Error, file, cause, detail, advice);
    }

    // The file the set plays under `name` when it is present and could be decoded.
    const FileReport* present(const QString& name) const {
        for (const FileReport& f : report_.files)
            if (f.name == name && !f.onDisk.isEmpty() && f.measure.readable)
                return &f;
        return nullptr;
    }

    // Whether a finding already names `file` with the given cause.
    bool hasFinding(const QString& file, const QString& cause) const {
        for (const Finding& f : report_.findings)
            if (f.file == file && f.cause == cause)
                return true;
        return false;
    }

private:
    void add(Severity severity, const QString& file, const QString& cause, const QString& detail,
             const QString& advice) {
        report_.findings.push_back(
            {severity, file, detail.isEmpty() ? cause : cause + QStringLiteral(": ") + detail,
             advice, cause, detail});
    }

    AssetReport& report_;
};

// A loudness or level difference as the report writes it.
inline QString lu(double value) {
    return QString::number(value, 'f', 1);
}

} // namespace ws::check
