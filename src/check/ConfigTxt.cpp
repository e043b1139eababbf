// Reads a Trainz config.txt for the few engine-sound tags the asset checker needs. The
// reader walks the whole tag tree (so brace balance and quoting are checked everywhere) but
// keeps only the first occurrence of each tag it knows; everything else is skipped.
#include "ConfigTxt.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <system_error>

namespace ws::check {

namespace {

// Deep enough for any real asset, shallow enough that junk input cannot exhaust anything.
constexpr int MaxDepth = 64;
// Values quoted back in messages are cut short: a broken file may hold megabytes on a line.
constexpr std::size_t MaxQuoted = 40;

struct Token {
    enum Kind { End, Word, String, Open, Close };
    Kind kind = End;
    std::string_view text; // a String's text excludes the quotes
    int line = 1;          // where the token starts
    bool afterNewline = false;
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool endsWord(char c) {
    return isSpace(c) || c == '{' || c == '}' || c == '"';
}

// Splits the text into words, quoted strings and braces, dropping whitespace and comments.
// A newline ends a tag's value, so each token records whether one came before it.
class Lexer {
public:
    explicit Lexer(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

    // False when a quoted string runs to the end of the file.
    bool next(Token& token) {
        bool newline = false;
        for (;;) {
            while (p_ < end_ && isSpace(*p_)) {
                if (*p_ == '\n') {
                    ++line_;
                    newline = true;
                }
                ++p_;
            }
            // A comment may start wherever a token could: on its own line or after a value.
            if (end_ - p_ >= 2 && p_[0] == '/' && p_[1] == '/') {
                const void* eol = std::memchr(p_, '\n', static_cast<std::size_t>(end_ - p_));
                p_ = eol ? static_cast<const char*>(eol) : end_;
                continue;
            }
            break;
        }
        token.line = line_;
        token.afterNewline = newline;
        if (p_ == end_) {
            token.kind = Token::End;
            token.text = {};
            return true;
        }
        const char c = *p_;
        if (c == '{' || c == '}') {
            token.kind = c == '{' ? Token::Open : Token::Close;
            token.text = std::string_view(p_, 1);
            ++p_;
            return true;
        }
        if (c == '"') {
            // No escapes: config.txt strings cannot hold a double quote, but may span lines.
            const char* start = p_ + 1;
            const void* close = std::memchr(start, '"', static_cast<std::size_t>(end_ - start));
            if (!close)
                return false;
            const char* stop = static_cast<const char*>(close);
            for (const char* q = start; q < stop; ++q)
                line_ += *q == '\n';
            token.kind = Token::String;
            token.text = std::string_view(start, static_cast<std::size_t>(stop - start));
            p_ = stop + 1;
            return true;
        }
        const char* start = p_;
        while (p_ < end_ && !endsWord(*p_))
            ++p_;
        token.kind = Token::Word;
        token.text = std::string_view(start, static_cast<std::size_t>(p_ - start));
        return true;
    }

    int line() const { return line_; }

private:
    const char* p_;
    const char* end_;
    int line_ = 1;
};

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// from_chars refuses a leading '+', which a hand-written number may carry.
std::string_view numberText(std::string_view s) {
    s = trimmed(s);
    if (s.size() > 1 && s.front() == '+' && s[1] != '-' && s[1] != '+')
        s.remove_prefix(1);
    return s;
}

bool toDouble(std::string_view s, double& out) {
    s = numberText(s);
    if (s.empty())
        return false;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && ptr == s.data() + s.size() && std::isfinite(out);
}

// Asset files write whole numbers as decimals too ("0.0", "4.000000"); any number with no
// fraction counts.
bool toInt(std::string_view s, int& out) {
    double value = 0;
    if (!toDouble(s, value) || value != std::trunc(value) || value < -2147483648.0 ||
        value > 2147483647.0)
        return false;
    out = static_cast<int>(value);
    return true;
}

bool toList(std::string_view s, std::vector<double>& out) {
    out.clear();
    for (;;) {
        const std::size_t comma = s.find(',');
        double value = 0;
        if (!toDouble(s.substr(0, comma), value))
            return false;
        out.push_back(value);
        if (comma == std::string_view::npos)
            return true;
        s.remove_prefix(comma + 1);
    }
}

bool sameTag(std::string_view a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i])
            return false;
    }
    return true;
}

QString quoted(std::string_view s) {
    const bool cut = s.size() > MaxQuoted;
    QString text = QString::fromUtf8(s.data(), static_cast<qsizetype>(cut ? MaxQuoted : s.size()));
    return QLatin1Char('\'') + text + (cut ? QStringLiteral("...'") : QStringLiteral("'"));
}

// What follows a tag name: nothing on its line, a word or string, or a container.
struct Value {
    enum Kind { None, Scalar, Container };
    Kind kind = None;
    std::string_view text;
    int line = 0;
};

class Reader {
public:
    explicit Reader(std::string_view text) : lexer_(text) {}

    ConfigReadResult read() {
        ConfigReadResult result;
        if (!run()) {
            result.error = error_;
            return result;
        }
        result.config = config_;
        return result;
    }

private:
    struct Open {
        std::string_view name;
        int line;
    };

    bool fail(int line, QString message) {
        error_.line = line;
        error_.message = std::move(message);
        return false;
    }

    bool advance(Token& token) {
        if (!lexer_.next(token))
            return fail(lexer_.line(), QStringLiteral("unterminated quoted string"));
        return true;
    }

    bool open(std::string_view name, int line) {
        if (depth_ == MaxDepth)
            return fail(line, QStringLiteral("containers nested more than %1 deep").arg(MaxDepth));
        stack_[depth_++] = Open{name, line};
        return true;
    }

    bool run() {
        Token token;
        if (!advance(token))
            return false;
        while (token.kind != Token::End) {
            switch (token.kind) {
            case Token::Close:
                if (depth_ == 0)
                    return fail(token.line, QStringLiteral("'}' without a matching '{'"));
                --depth_;
                if (!advance(token))
                    return false;
                break;
            case Token::Open:
                // A brace with no tag before it: still a container, so balance is kept.
                if (!open({}, token.line) || !advance(token))
                    return false;
                break;
            default:
                if (!tag(token))
                    return false;
                break;
            }
        }
        if (depth_ > 0) {
            const Open& last = stack_[depth_ - 1];
            const QString what = last.name.empty()
                                     ? QStringLiteral("'{'")
                                     : QStringLiteral("container ") + quoted(last.name);
            return fail(last.line, what + QStringLiteral(" is never closed"));
        }
        return true;
    }

    // Reads one tag and its value; leaves `token` at whatever follows.
    bool tag(Token& token) {
        const Token name = token;
        if (!advance(token))
            return false;
        Value value;
        if (token.kind == Token::Open) {
            // The brace may sit on the tag's line or on a line of its own below it.
            value.kind = Value::Container;
            value.line = token.line;
            if (!open(name.text, token.line) || !advance(token))
                return false;
        } else if ((token.kind == Token::Word || token.kind == Token::String) &&
                   !token.afterNewline) {
            value.kind = Value::Scalar;
            value.line = token.line;
            value.text = token.text;
            const bool word = token.kind == Token::Word;
            if (!advance(token))
                return false;
            // A list written with spaces around its commas is still one value.
            if (word) {
                const char* begin = value.text.data();
                const char* stop = begin + value.text.size();
                while (token.kind == Token::Word && !token.afterNewline &&
                       (stop[-1] == ',' || token.text.front() == ',')) {
                    stop = token.text.data() + token.text.size();
                    if (!advance(token))
                        return false;
                }
                value.text = std::string_view(begin, static_cast<std::size_t>(stop - begin));
            }
        }
        return take(name, value);
    }

    bool expect(const Token& name, const Value& value, const QString& what) {
        const QString tagName = QString::fromUtf8(name.text.data(), qsizetype(name.text.size()));
        if (value.kind == Value::None)
            return fail(name.line, tagName + QStringLiteral(" has no value; expected ") + what);
        if (value.kind == Value::Container)
            return fail(value.line, tagName + QStringLiteral(": expected ") + what +
                                        QStringLiteral(", found a container"));
        return fail(value.line, tagName + QStringLiteral(": expected ") + what +
                                    QStringLiteral(", found ") + quoted(trimmed(value.text)));
    }

    // Keeps the first occurrence of each tag the checker needs; later ones are ignored
    // like any unknown tag, as the first is the one that counts.
    bool take(const Token& name, const Value& value) {
        const std::string_view n = name.text;
        const bool scalar = value.kind == Value::Scalar;
        if (sameTag(n, "kind")) {
            if (!seenKind_) {
                seenKind_ = true;
                if (scalar)
                    config_.kind =
                        QString::fromUtf8(value.text.data(), qsizetype(value.text.size()));
            }
        } else if (sameTag(n, "isramping") || sameTag(n, "isfading")) {
            std::optional<bool>& flag =
                sameTag(n, "isramping") ? config_.isRamping : config_.isFading;
            if (!flag) {
                double v = 0;
                if (!scalar || !toDouble(value.text, v))
                    return expect(name, value, QStringLiteral("0 or 1"));
                flag = v != 0;
            }
        } else if (sameTag(n, "number-slow-sounds")) {
            if (!config_.numberSlowSounds) {
                int v = 0;
                if (!scalar || !toInt(value.text, v))
                    return expect(name, value, QStringLiteral("a whole number"));
                config_.numberSlowSounds = v;
            }
        } else if (sameTag(n, "speedup")) {
            if (!config_.speedUp) {
                double v = 0;
                if (!scalar || !toDouble(value.text, v))
                    return expect(name, value, QStringLiteral("a number"));
                config_.speedUp = v;
            }
        } else if (sameTag(n, "engine-sound-ramp-up-durations") ||
                   sameTag(n, "engine-sound-ramp-down-durations")) {
            const bool up = sameTag(n, "engine-sound-ramp-up-durations");
            bool& seen = up ? seenRampUp_ : seenRampDown_;
            if (!seen) {
                seen = true;
                std::vector<double>& list =
                    up ? config_.rampUpDurations : config_.rampDownDurations;
                if (!scalar || !toList(value.text, list))
                    return expect(name, value, QStringLiteral("comma-separated numbers"));
            }
        }
        return true;
    }

    Lexer lexer_;
    Open stack_[MaxDepth] = {};
    int depth_ = 0;
    EngineSoundConfig config_;
    ConfigParseError error_;
    bool seenKind_ = false;
    bool seenRampUp_ = false;
    bool seenRampDown_ = false;
};

} // namespace

ConfigReadResult parseConfigTxt(const QByteArray& text) {
    std::string_view view(text.constData(), static_cast<std::size_t>(text.size()));
    if (view.substr(0, 3) == "\xEF\xBB\xBF")
        view.remove_prefix(3);
    try {
        // Windows editors save "Unicode" as UTF-16 with a byte-order mark.
        if (view.substr(0, 2) == "\xFF\xFE" || view.substr(0, 2) == "\xFE\xFF") {
            QStringDecoder utf16(view[0] == '\xFF' ? QStringDecoder::Utf16LE
                                                   : QStringDecoder::Utf16BE);
            const QByteArray utf8 =
                QString(utf16.decode(QByteArrayView(view.data() + 2, qsizetype(view.size()) - 2)))
                    .toUtf8();
            return Reader(std::string_view(utf8.constData(), std::size_t(utf8.size()))).read();
        }
        return Reader(view).read();
    } catch (...) {
        // Only allocation can throw here; a checker must report, not abort.
        ConfigReadResult result;
        result.error = ConfigParseError{1, QStringLiteral("config.txt could not be read")};
        return result;
    }
}

} // namespace ws::check
