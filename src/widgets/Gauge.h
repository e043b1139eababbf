// The gauge control: shows an integer value between a minimum and a maximum as a percentage,
// as text, a horizontal or vertical bar, a pie or a needle. It paints off screen and copies
// the finished picture in one step, and is opaque, so a changing gauge never flickers.
#pragma once

#include "Colors.h"
#include "LayerBitmap.h"

#include <QWidget>
#include <cstdint>

namespace ws {

enum GaugeKind : int { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

// The gauge draws a 1-pixel frame for bsSingle and none for anything else.
enum BorderStyle : int { bsNone, bsSingle };

// Trunc(span * (percent * 0.01)), in floating point.
int scaleByPercent(int percent, int span);

// 0 when whole is 0, else Trunc(part * 100 / whole), in floating point. The arguments are
// 64-bit so that differences of two 32-bit bounds never overflow.
int calcPercent(std::int64_t part, std::int64_t whole);

class Gauge : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int MinValue READ MinValue WRITE setMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE setMaxValue)
    Q_PROPERTY(int Progress READ Progress WRITE setProgress)
    Q_PROPERTY(bool ShowText READ ShowText WRITE setShowText)
    Q_PROPERTY(int Percentage READ Percentage)
    Q_PROPERTY(uint BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(uint ForeColor READ ForeColor WRITE setForeColor)

public:
    // 100 x 100 pixels, a framed horizontal bar from 0 to 100 at 0, black on white, with text.
    explicit Gauge(QWidget* parent = nullptr);

    ws::Color BackColor() const { return BackColor_; }
    void setBackColor(ws::Color value);
    ws::BorderStyle BorderStyle() const { return BorderStyle_; }
    void setBorderStyle(ws::BorderStyle value);
    ws::Color ForeColor() const { return ForeColor_; }
    void setForeColor(ws::Color value);
    GaugeKind Kind() const { return Kind_; }
    void setKind(GaugeKind value);
    // The background of the pie and the needle outside their shapes; by default the button
    // face, which is the background of the window the gauge sits on.
    ws::Color Color() const { return Color_; }
    void setColor(ws::Color value);
    bool ShowText() const { return ShowText_; }
    void setShowText(bool value);

    // Raising the minimum above the maximum (or the reverse) throws InvalidOperation and
    // changes nothing, unless loading is on. Progress is dragged along into the new range.
    int MinValue() const { return MinValue_; }
    void setMinValue(int value);
    int MaxValue() const { return MaxValue_; }
    void setMaxValue(int value);

    // Clamped into [MinValue, MaxValue]. A visible gauge shows a new percentage before the
    // setter returns (as every setter that changes the picture does); a change that keeps the
    // whole-number percentage is stored without repainting, since the picture would not change.
    int Progress() const { return Progress_; }
    void setProgress(int value);

    // The share of the range that Progress has reached, 0 to 100, truncated.
    int Percentage() const;

    // While on, the range checks of MinValue and MaxValue are skipped, so that stored
    // properties may be applied in any order.
    void setLoading(bool value) { Loading_ = value; }
    bool Loading() const { return Loading_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // A rectangle as the drawing code works with it: right and bottom are the first column
    // and row outside it.
    struct EdgeRect {
        int left, top, right, bottom;
    };

    // The finished picture, the size of the widget.
    QImage composeImage() const;
    void drawPlain(QImage& overlay, const EdgeRect& r) const;
    void drawBar(QImage& overlay, const EdgeRect& r) const;
    void drawPie(QImage& overlay, const EdgeRect& r) const;
    void drawNeedle(QImage& overlay, const EdgeRect& r) const;
    void drawPercentText(QImage& image, const EdgeRect& r) const;

    QColor qColor(ws::Color value) const;

    ws::Color BackColor_ = clWhite;
    ws::BorderStyle BorderStyle_ = bsSingle;
    ws::Color ForeColor_ = clBlack;
    GaugeKind Kind_ = gkHorizontalBar;
    ws::Color Color_ = clBtnFace;
    int MinValue_ = 0;
    int MaxValue_ = 100;
    int Progress_ = 0;
    bool ShowText_ = true;
    bool Loading_ = false;
};

} // namespace ws
