// System colours have no fixed value: they follow the platform's palette. The indices are
// the classic Windows ones, mapped to the nearest Qt palette role.
#include "Colors.h"

#include <QGuiApplication>

namespace ws {

namespace {

QPalette::ColorRole roleForSystemIndex(int index) {
    switch (index) {
    case 1:  // desktop
    case 12: // application workspace
        return QPalette::Dark;
    case 2:  // active caption
    case 13: // highlight
    case 26: // hot-tracked item
    case 27: // active caption gradient
    case 29: // menu highlight
        return QPalette::Highlight;
    case 9:  // caption text
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 3:  // inactive caption
    case 10: // active border
    case 11: // inactive border
    case 16: // button shadow
    case 28: // inactive caption gradient
        return QPalette::Mid;
    case 5: // window (the background of text fields)
        return QPalette::Base;
    case 6:  // window frame
    case 21: // 3-D dark shadow
        return QPalette::Shadow;
    case 7: // menu text
    case 8: // window text
        return QPalette::WindowText;
    case 17: // grey text
    case 19: // inactive caption text
        return QPalette::PlaceholderText;
    case 18: // button text
        return QPalette::ButtonText;
    case 20: // button highlight
        return QPalette::Light;
    case 22: // 3-D light
        return QPalette::Midlight;
    case 23: // tooltip text
        return QPalette::ToolTipText;
    case 24: // tooltip background
        return QPalette::ToolTipBase;
    default: // scroll bar, menu, button face, menu bar and unknown indices
        return QPalette::Window;
    }
}

} // namespace

QColor toQColor(Color color, const QPalette& palette) {
    if ((color & SystemColorFlag) == SystemColorFlag)
        return palette.color(QPalette::Active, roleForSystemIndex(static_cast<int>(color & 0xFF)));
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

QColor toQColor(Color color) {
    return toQColor(color, QGuiApplication::palette());
}

} // namespace ws
