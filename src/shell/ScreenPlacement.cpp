// Moving a window that would open off every screen; see ScreenPlacement.h.
#include "ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

namespace ws {

namespace {
// The strip at the top of the frame that holds the caption, by which the window is dragged,
// and how much of it must lie on a screen for the user to reach it.
constexpr int CaptionHeight = 24;
constexpr int ReachableWidth = 32;
constexpr int ReachableHeight = 8;

// Sums in 64 bits: a saved position can be any integer.
bool reachableOn(const QRect& frame, const QRect& screen) {
    const qint64 captionHeight = std::min(CaptionHeight, frame.height());
    const qint64 seenWidth =
        std::min(qint64(frame.left()) + frame.width(), qint64(screen.left()) + screen.width()) -
        std::max(frame.left(), screen.left());
    const qint64 seenHeight =
        std::min(qint64(frame.top()) + captionHeight, qint64(screen.top()) + screen.height()) -
        std::max(frame.top(), screen.top());
    return seenWidth >= std::min(ReachableWidth, frame.width()) &&
           seenHeight >= std::min<qint64>(ReachableHeight, captionHeight);
}

// The gap between two rectangles, squared; 0 when they overlap or touch.
double gapSquared(const QRect& a, const QRect& b) {
    const auto gap = [](qint64 aStart, qint64 aLength, qint64 bStart, qint64 bLength) {
        return std::max({qint64(0), bStart - (aStart + aLength), aStart - (bStart + bLength)});
    };
    const qint64 dx = gap(a.left(), a.width(), b.left(), b.width());
    const qint64 dy = gap(a.top(), a.height(), b.top(), b.height());
    return double(dx) * double(dx) + double(dy) * double(dy);
}

// Where a span of `length` starts when centred in [low, low + room); `low` when it does not
// fit. Centred rather than pushed against an edge, as the window's frame is not known before
// it is first shown.
int centreIn(int length, int low, int room) {
    return low + std::max(0, (room - length) / 2);
}
} // namespace

QPoint reachablePosition(const QRect& frame, const QList<QRect>& screens) {
    const QRect* nearest = nullptr;
    double nearestGap = std::numeric_limits<double>::infinity();
    for (const QRect& screen : screens) {
        if (screen.isEmpty())
            continue;
        if (reachableOn(frame, screen))
            return frame.topLeft();
        const double gap = gapSquared(frame, screen);
        if (gap < nearestGap) {
            nearestGap = gap;
            nearest = &screen;
        }
    }
    if (!nearest)
        return frame.topLeft();
    return {centreIn(frame.width(), nearest->left(), nearest->width()),
            centreIn(frame.height(), nearest->top(), nearest->height())};
}

QList<QRect> screenAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

} // namespace ws
