// Path helpers by text; see PathText.h.
#include "PathText.h"

namespace ws {

bool isPathSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == u'\\' || c == u'/';
#else
    return c == u'/';
#endif
}

QChar folderSeparator() {
#ifdef Q_OS_WIN
    return u'\\';
#else
    return u'/';
#endif
}

QString stripTrailingDelimiter(const QString& path) {
    if (path.size() > 1 && isPathSeparator(path.back()))
        return path.left(path.size() - 1);
    return path;
}

namespace {
bool endsName(QChar c) {
#ifdef Q_OS_WIN
    // The forward slash has been turned into a backslash before names are taken.
    return c == u'\\' || c == u':';
#else
    return isPathSeparator(c);
#endif
}
} // namespace

QString lastName(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (endsName(path[i]))
            return path.mid(i + 1);
    }
    return path;
}

QString lowerExtension(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const QChar c = path[i];
        if (endsName(c) || isPathSeparator(c))
            return {};
        if (c == u'.') {
            QString ext = path.mid(i);
            for (QChar& ch : ext) {
                if (ch >= u'A' && ch <= u'Z')
                    ch = QChar(ch.unicode() + ('a' - 'A'));
            }
            return ext;
        }
    }
    return {};
}

QString toFolderSeparators(QString path) {
#ifdef Q_OS_WIN
    path.replace(u'/', u'\\');
#endif
    return path;
}

} // namespace ws
