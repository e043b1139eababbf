// What the command line needs to know about where it prints: the width to wrap to, whether
// colour is wanted, a progress line on the terminal for long runs, and writes that fail
// loudly (a report that did not reach its file must not end with success).
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdio>

namespace ws::term {

bool isTerminal(std::FILE* stream);

// COLUMNS when it holds a width, else the terminal's own width when `stream` is one,
// else 80. Never below 40, so that a wrapped report stays readable.
int outputWidth(std::FILE* stream);

// Colour only on a terminal, and not when NO_COLOR is set (to anything but "") or the
// terminal is a dumb one.
bool colourWanted(std::FILE* stream);

// Writes and flushes `bytes`; throws std::system_error with the C library's reason when
// they do not all arrive (a full disk, a closed pipe).
void writeAll(std::FILE* stream, const QByteArray& bytes);

// One line of progress that rewrites itself ("\r checked 120 of 1000"), shown only when
// its stream is a terminal and erased again when the object ends. Redraws are throttled;
// clear() removes the line before other output goes to the same terminal.
class ProgressLine {
public:
    explicit ProgressLine(std::FILE* stream);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool active() const { return active_; }
    // Shows `text` at once when the line is clear or `now` is set, else at most ten times
    // a second.
    void show(const QString& text, bool now = false);
    void clear();

private:
    std::FILE* stream_;
    bool active_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_;
};

} // namespace ws::term
