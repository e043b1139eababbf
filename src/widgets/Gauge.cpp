// Painting and property rules of the gauge. Every paint builds its layers from scratch:
// the kind's picture is drawn on an overlay that is XOR-combined into a black image, the
// percentage text is XOR-combined on top (so it shows inverted over whatever lies beneath),
// and the finished image is copied to the screen in one drawImage.
#include "Gauge.h"

#include "WidgetErrors.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRgb>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace ws {

namespace {

// Trunc toward zero, kept inside int so that odd ranges cannot overflow the conversion.
int truncToInt(double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(std::trunc(value), double(INT_MIN), double(INT_MAX)));
}

// Rounding of the drawing coordinates: halves go to the even neighbour.
int roundHalfEven(double value) {
    const double down = std::floor(value);
    const double diff = value - down;
    double result = down;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(down, 2.0) != 0.0))
        result = down + 1.0;
    return static_cast<int>(std::clamp(result, double(INT_MIN), double(INT_MAX)));
}

// The painter angle, in sixteenths of a degree, of the ray from the centre of the ellipse
// (left, top)-(right, bottom) through (x, y). Qt measures angles on the ellipse's own
// parameter, so the ray's direction is scaled by the radii first.
double ellipseAngle(int left, int top, int right, int bottom, int x, int y) {
    const double cx = (left + right) / 2.0;
    const double cy = (top + bottom) / 2.0;
    const double rx = (right - left) / 2.0;
    const double ry = (bottom - top) / 2.0;
    return std::atan2(-(y - cy) / ry, (x - cx) / rx);
}

// Qt's rectangle for a shape that covers the columns left .. right - 1 and the rows
// top .. bottom - 1 (a stroked Qt shape covers one pixel more than its rectangle's size).
QRect shapeRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left - 1, bottom - top - 1);
}

bool drawable(int left, int top, int right, int bottom) {
    return right - left >= 2 && bottom - top >= 2;
}

void drawEllipse(QPainter& p, int left, int top, int right, int bottom) {
    if (drawable(left, top, right, bottom))
        p.drawEllipse(shapeRect(left, top, right, bottom));
}

// A pie slice of the ellipse (left, top)-(right, bottom) that runs counter-clockwise from
// the ray through (x1, y1) to the ray through (x2, y2); equal rays give the whole ellipse.
void drawPieSlice(QPainter& p, int left, int top, int right, int bottom, int x1, int y1, int x2,
                  int y2) {
    if (!drawable(left, top, right, bottom))
        return;
    const double start = ellipseAngle(left, top, right, bottom, x1, y1);
    const double end = ellipseAngle(left, top, right, bottom, x2, y2);
    constexpr double fullTurn = 2.0 * std::numbers::pi;
    double span = std::fmod(end - start, fullTurn);
    if (span <= 0.0)
        span += fullTurn;
    constexpr double sixteenths = 180.0 * 16.0 / std::numbers::pi;
    int span16 = static_cast<int>(std::lround(span * sixteenths));
    if (start == end || span16 >= 360 * 16)
        span16 = 360 * 16;
    span16 = std::max(span16, 1);
    p.drawPie(shapeRect(left, top, right, bottom),
              static_cast<int>(std::lround(start * sixteenths)), span16);
}

// A 1-pixel line from (x0, y0) towards (x1, y1); the end point itself is not drawn.
void drawLine(QImage& image, int x0, int y0, int x1, int y1, const QColor& color,
              const QRect& clip) {
    const QRect area = clip.intersected(image.rect());
    const QRgb value = color.rgb();
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0;
    int y = y0;
    while (x != x1 || y != y1) {
        if (area.contains(x, y))
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] = value;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

// Stores a property that the picture shows, repainting only when the value changes. The
// window moves the gauges inside handlers that block the thread (cross-fades, fade-outs), so
// a scheduled update would only show once the fade is over: the gauge paints at once instead.
template <typename T> void setAndRepaint(QWidget& widget, T& property, T value) {
    if (value != property) {
        property = value;
        widget.repaint();
    }
}

// The width and height of the pie's and the needle's ellipse inside the paint rectangle
// (left, top)-(right, bottom): one pixel more each way when a frame surrounds it.
QSize shapeSize(int left, int top, int right, int bottom, BorderStyle style) {
    const int grow = style == bsSingle ? 1 : 0;
    return QSize(right - left + grow, bottom - top + grow);
}

} // namespace

int scaleByPercent(int percent, int span) {
    return truncToInt(span * (percent * 0.01));
}

int calcPercent(std::int64_t part, std::int64_t whole) {
    if (whole == 0)
        return 0;
    return truncToInt(static_cast<double>(part) * 100.0 / static_cast<double>(whole));
}

Gauge::Gauge(QWidget* parent) : QWidget(parent) {
    // The gauge paints every pixel of its area, so nothing behind it needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

void Gauge::setBackColor(ws::Color value) {
    setAndRepaint(*this, BackColor_, value);
}

void Gauge::setBorderStyle(ws::BorderStyle value) {
    setAndRepaint(*this, BorderStyle_, value);
}

void Gauge::setForeColor(ws::Color value) {
    setAndRepaint(*this, ForeColor_, value);
}

void Gauge::setKind(GaugeKind value) {
    setAndRepaint(*this, Kind_, value);
}

void Gauge::setColor(ws::Color value) {
    setAndRepaint(*this, Color_, value);
}

void Gauge::setShowText(bool value) {
    setAndRepaint(*this, ShowText_, value);
}

namespace {

InvalidOperation rangeError(std::int64_t low, std::int64_t high) {
    return InvalidOperation(QString::asprintf("Value must be between %lld and %lld",
                                              static_cast<long long>(low),
                                              static_cast<long long>(high))
                                .toStdString());
}

} // namespace

void Gauge::setMinValue(int value) {
    if (value == MinValue_)
        return;
    if (value > MaxValue_ && !Loading_)
        throw rangeError(-2147483647, std::int64_t(MaxValue_) - 1);
    MinValue_ = value;
    if (Progress_ < value)
        Progress_ = value;
    repaint();
}

void Gauge::setMaxValue(int value) {
    if (value == MaxValue_)
        return;
    if (value < MinValue_ && !Loading_)
        throw rangeError(std::int64_t(MinValue_) + 1, 2147483647);
    MaxValue_ = value;
    if (Progress_ > value)
        Progress_ = value;
    repaint();
}

void Gauge::setProgress(int value) {
    const int before = Percentage();
    if (value < MinValue_)
        value = MinValue_;
    else if (value > MaxValue_)
        value = MaxValue_;
    if (value == Progress_)
        return;
    Progress_ = value;
    if (Percentage() != before)
        repaint();
}

int Gauge::Percentage() const {
    return calcPercent(std::int64_t(Progress_) - MinValue_, std::int64_t(MaxValue_) - MinValue_);
}

QColor Gauge::qColor(ws::Color value) const {
    return toQColor(value, palette());
}

void Gauge::paintEvent(QPaintEvent*) {
    const QImage image = composeImage();
    if (image.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

QImage Gauge::composeImage() const {
    if (width() <= 0 || height() <= 0)
        return QImage();
    QImage image(width(), height(), QImage::Format_RGB32);
    image.fill(Qt::black);

    // With a frame the picture stays one pixel inside, leaving the black of the image.
    EdgeRect r{0, 0, width(), height()};
    if (BorderStyle_ == bsSingle)
        r = EdgeRect{1, 1, width() - 1, height() - 1};

    LayerBitmap overlay;
    overlay.makeLike(image, palette());
    overlay.fill(Qt::black);
    switch (Kind_) {
    case gkText:
        drawPlain(overlay, r);
        break;
    case gkHorizontalBar:
    case gkVerticalBar:
        drawBar(overlay, r);
        break;
    case gkPie:
        drawPie(overlay, r);
        break;
    case gkNeedle:
        drawNeedle(overlay, r);
        break;
    }
    combineXor(image, overlay);
    if (ShowText_)
        drawPercentText(image, r);
    return image;
}

namespace {

QRect clipRect(int left, int top, int right, int bottom) {
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

} // namespace

void Gauge::drawPlain(QImage& overlay, const EdgeRect& r) const {
    const QRect clip = clipRect(r.left, r.top, r.right, r.bottom);
    fillEdgeRect(overlay, r.left, r.top, r.right, r.bottom, qColor(BackColor_), clip);
}

void Gauge::drawBar(QImage& overlay, const EdgeRect& r) const {
    const QRect clip = clipRect(r.left, r.top, r.right, r.bottom);
    const int w = r.right - r.left + 1;
    const int h = r.bottom - r.top + 1;
    fillEdgeRect(overlay, r.left, r.top, r.right, r.bottom, qColor(BackColor_), clip);
    const QColor fore = qColor(ForeColor_);
    if (Kind_ == gkHorizontalBar) {
        const int fill = std::min(scaleByPercent(Percentage(), w), w);
        if (fill < 1)
            return;
        // The right and bottom edges are the fill size and the height themselves, not
        // offsets from the left and top edges.
        fillEdgeRect(overlay, r.left, r.top, fill, h, fore, clip);
    } else {
        int fill = scaleByPercent(Percentage(), h);
        if (fill >= h)
            fill = h - 1;
        fillEdgeRect(overlay, r.left, h - fill, w, h, fore, clip);
    }
}

void Gauge::drawPie(QImage& overlay, const EdgeRect& r) const {
    const QRect clip = clipRect(r.left, r.top, r.right, r.bottom);
    const QSize size = shapeSize(r.left, r.top, r.right, r.bottom, BorderStyle_);
    const int w = size.width();
    const int h = size.height();
    fillEdgeRect(overlay, r.left, r.top, r.right, r.bottom, qColor(Color_), clip);
    QPainter p(&overlay);
    p.setClipRect(clip);
    p.setPen(QPen(qColor(ForeColor_), 1));
    p.setBrush(qColor(BackColor_));
    drawEllipse(p, r.left, r.top, w, h);

    const int percent = Percentage();
    if (percent <= 0)
        return;
    p.setBrush(qColor(ForeColor_));
    const int mx = w / 2;
    const int my = h / 2;
    const double a = (percent / 50.0 + 0.5) * std::numbers::pi;
    // The slice runs counter-clockwise from the moving point to the top, so it grows
    // clockwise from the top as the percentage rises.
    drawPieSlice(p, r.left, r.top, w, h, roundHalfEven(mx * (1 - std::cos(a))),
                 roundHalfEven(my * (1 - std::sin(a))), mx, 0);
}

void Gauge::drawNeedle(QImage& overlay, const EdgeRect& r) const {
    const QRect clip = clipRect(r.left, r.top, r.right, r.bottom);
    const QSize size = shapeSize(r.left, r.top, r.right, r.bottom, BorderStyle_);
    const int w = size.width();
    const int h = size.height();
    fillEdgeRect(overlay, r.left, r.top, r.right, r.bottom, qColor(Color_), clip);
    const QColor fore = qColor(ForeColor_);
    {
        QPainter p(&overlay);
        p.setClipRect(clip);
        p.setPen(QPen(fore, 1));
        p.setBrush(qColor(BackColor_));
        // The upper half of an ellipse standing on the bottom line.
        drawPieSlice(p, r.left, r.top, w, 2 * h - 1, r.left + w, r.bottom - 1, r.left,
                     r.bottom - 1);
    }
    drawLine(overlay, r.left, r.bottom, r.left + w, r.bottom, fore, clip);

    const int percent = Percentage();
    if (percent <= 0)
        return;
    const int hw = width() / 2;
    const double a = (percent / 100.0) * std::numbers::pi;
    // Left at 0 %, straight up at 50 %, right at 100 %.
    drawLine(overlay, hw, r.bottom - 1, roundHalfEven(hw * (1 - std::cos(a))),
             roundHalfEven((r.bottom - 1) * (1 - std::sin(a))), fore, clip);
}

void Gauge::drawPercentText(QImage& image, const EdgeRect& r) const {
    LayerBitmap layer;
    layer.makeLike(image, palette());
    layer.fill(Qt::black);

    const QString text = QString::number(Percentage()) + QLatin1Char('%');
    // Glyphs are pure white so that the XOR inverts exactly what lies beneath them.
    QFont textFont = font();
    textFont.setStyleStrategy(QFont::NoAntialias);
    {
        QPainter p(&layer);
        p.setFont(textFont);
        const QFontMetrics metrics = p.fontMetrics();
        // Centred on the paint rectangle's size, measured from the image's origin.
        const int x = (r.right - r.left + 1 - metrics.horizontalAdvance(text)) / 2;
        const int y = (r.bottom - r.top + 1 - metrics.height()) / 2;
        p.setClipRect(clipRect(r.left, r.top, r.right, r.bottom));
        p.setPen(Qt::white);
        p.setBrush(Qt::NoBrush);
        p.drawText(x, y + metrics.ascent(), text);
    }
    combineXor(image, layer);
}

} // namespace ws
