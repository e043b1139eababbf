// Colours as the widgets store them: 32-bit values in the classic Windows layout, so that
// values written in forms and settings (0x00BBGGRR, or 0xFF0000nn for a system colour)
// keep their meaning, plus the conversion to a QColor for painting.
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace ws {

using Color = std::uint32_t;

// The high byte that marks a system colour; the low byte is the system-colour index.
inline constexpr Color SystemColorFlag = 0xFF000000u;

inline constexpr Color clBlack = 0x00000000u;
inline constexpr Color clWhite = 0x00FFFFFFu;
inline constexpr Color clWindow = SystemColorFlag | 5;
inline constexpr Color clWindowFrame = SystemColorFlag | 6;
inline constexpr Color clWindowText = SystemColorFlag | 8;
inline constexpr Color clBtnFace = SystemColorFlag | 15;

// A plain colour from its red, green and blue parts.
constexpr Color rgbColor(int red, int green, int blue) {
    return static_cast<Color>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

// Plain colours convert directly; system colours are looked up in `palette` (the window
// frame is the palette's shadow colour, the button face its window background, and so on).
QColor toQColor(Color color, const QPalette& palette);

// As above, with the application's palette.
QColor toQColor(Color color);

} // namespace ws
