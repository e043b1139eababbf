// Off-screen layers for widgets that compose their picture before copying it to the screen:
// a 32-bit image that can take the size of another, and the XOR combination of two layers.
#pragma once

#include <QImage>
#include <QPalette>
#include <QRect>

namespace ws {

// A 32-bit RGB image used as one layer of an off-screen picture.
class LayerBitmap : public QImage {
public:
    LayerBitmap() = default;
    LayerBitmap(int width, int height);

    // Takes the template's width and height and fills the whole area with the window-frame
    // colour of `palette`.
    void makeLike(const QImage& templ, const QPalette& palette);
    // As above, with the application's palette.
    void makeLike(const QImage& templ);
};

// Fills the rectangle from (left, top) up to, but not including, (right, bottom), cut to
// `clip`; an empty or inverted rectangle fills nothing.
void fillEdgeRect(QImage& image, int left, int top, int right, int bottom, const QColor& color,
                  const QRect& clip);

// Combines `source` into `target` by XOR of the colour bits, with `source`'s origin at
// (x, y); pixels outside either image are left alone. Both must be 32-bit RGB images.
void combineXor(QImage& target, const QImage& source, int x = 0, int y = 0);

} // namespace ws
