// Keeps the main window where the user can reach it: a position saved on a desk with another
// monitor layout may lie off every screen of this one.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace ws {

// Where a window whose outer rectangle is `frame` should stand, given the screens' available
// areas: where it is while a piece of its caption strip lies on one of them, otherwise centred
// on the nearest screen (its top-left corner on the screen's when it is larger).
QPoint reachablePosition(const QRect& frame, const QList<QRect>& screens);

// The available areas of the screens attached now.
QList<QRect> screenAreas();

} // namespace ws
