// The terminal facts and the progress line; see Terminal.h.
#include "Terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace ws::term {

namespace {

constexpr int NarrowestWidth = 40;
constexpr auto RedrawInterval = std::chrono::milliseconds(100);

int terminalColumns([[maybe_unused]] std::FILE* stream) {
#ifdef TIOCGWINSZ
    winsize size{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0)
        return size.ws_col;
#endif
    return 0;
}

} // namespace

bool isTerminal(std::FILE* stream) {
#ifdef Q_OS_WIN
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

int outputWidth(std::FILE* stream) {
    int width = 0;
    if (const char* columns = std::getenv("COLUMNS"))
        width = std::atoi(columns);
    if (width <= 0 && isTerminal(stream))
        width = terminalColumns(stream);
    if (width <= 0)
        width = 80;
    return std::max(width, NarrowestWidth);
}

bool colourWanted(std::FILE* stream) {
    const char* noColour = std::getenv("NO_COLOR");
    const char* terminal = std::getenv("TERM");
    return isTerminal(stream) && !(noColour && *noColour) &&
           !(terminal && std::string_view(terminal) == "dumb");
}

void writeAll(std::FILE* stream, const QByteArray& bytes) {
    errno = 0;
    const std::size_t size = std::size_t(bytes.size());
    if (std::fwrite(bytes.constData(), 1, size, stream) != size || std::fflush(stream) != 0 ||
        std::ferror(stream)) {
        const int error = errno != 0 ? errno : EIO;
        std::clearerr(stream);
        throw std::system_error(error, std::generic_category());
    }
}

ProgressLine::ProgressLine(std::FILE* stream) : stream_(stream), active_(isTerminal(stream)) {}

ProgressLine::~ProgressLine() {
    clear();
}

void ProgressLine::show(const QString& text, bool now) {
    if (!active_)
        return;
    const auto time = std::chrono::steady_clock::now();
    if (shown_ && !now && time - last_ < RedrawInterval)
        return;
    last_ = time;
    // "\r" and erase-to-end-of-line: the new text replaces the old whatever its length.
    const QByteArray line = "\r\033[K" + text.toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stream_);
    std::fflush(stream_);
    shown_ = true;
}

void ProgressLine::clear() {
    if (!shown_)
        return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    shown_ = false;
}

} // namespace ws::term
