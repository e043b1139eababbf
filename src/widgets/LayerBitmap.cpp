// Layer images and their combination. The XOR is done per pixel on the colour bits rather
// than through a painter's raster operation, so that the result is exact on every paint
// engine and the alpha byte of the opaque format stays set.
#include "LayerBitmap.h"

#include "Colors.h"

#include <QRgb>
#include <algorithm>
#include <stdexcept>

namespace ws {

LayerBitmap::LayerBitmap(int width, int height) : QImage(width, height, QImage::Format_RGB32) {}

void LayerBitmap::makeLike(const QImage& templ, const QPalette& palette) {
    QImage::operator=(QImage(templ.width(), templ.height(), QImage::Format_RGB32));
    fill(toQColor(clWindowFrame, palette));
}

void LayerBitmap::makeLike(const QImage& templ) {
    QImage::operator=(QImage(templ.width(), templ.height(), QImage::Format_RGB32));
    fill(toQColor(clWindowFrame));
}

void fillEdgeRect(QImage& image, int left, int top, int right, int bottom, const QColor& color,
                  const QRect& clip) {
    if (right <= left || bottom <= top)
        return;
    const QRect area = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    const QRect cut = area.intersected(clip).intersected(image.rect());
    if (cut.isEmpty())
        return;
    const QRgb value = color.rgb();
    for (int y = cut.top(); y <= cut.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line + cut.left(), line + cut.right() + 1, value);
    }
}

void combineXor(QImage& target, const QImage& source, int x, int y) {
    if (target.depth() != 32 || source.depth() != 32)
        throw std::invalid_argument("combineXor needs 32-bit images");
    const QRect area = QRect(QPoint(x, y), source.size()).intersected(target.rect());
    for (int row = area.top(); row <= area.bottom(); ++row) {
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(row));
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(row - y));
        for (int col = area.left(); col <= area.right(); ++col)
            out[col] = 0xFF000000u | ((out[col] ^ in[col - x]) & 0x00FFFFFFu);
    }
}

} // namespace ws
