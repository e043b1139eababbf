// The loudness chart; see LoudnessChart.h.
#include "LoudnessChart.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ws {

namespace {
constexpr int Pad = 6;
constexpr double FloorLufs = -60.0; // bars start here; quieter reads as an empty bar
constexpr double Unset = std::numeric_limits<double>::quiet_NaN();
constexpr int Swatch = 14;
const QColor FailColor(0xd0, 0x20, 0x20);
const QColor BandColor(0x3c, 0xa0, 0x3c, 0x48);
const QColor BandEdge(0x2a, 0x80, 0x2a);

enum class Key { Loop, Transition, Failing, Band, Missing };

struct LegendItem {
    Key key;
    QString text;
};

QString lu(double value) {
    return QString::number(value, 'f', 1);
}

// A red warning sign, drawn rather than typed: not every font has a glyph for one.
void paintMarker(QPainter& p, const QRectF& box) {
    QPainterPath sign;
    sign.moveTo(box.center().x(), box.top());
    sign.lineTo(box.right(), box.bottom());
    sign.lineTo(box.left(), box.bottom());
    sign.closeSubpath();
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(sign, FailColor);
    p.setPen(QPen(Qt::white, std::max(1.5, box.width() / 8)));
    const double x = box.center().x();
    p.drawLine(QPointF(x, box.top() + box.height() * 0.35),
               QPointF(x, box.top() + box.height() * 0.68));
    p.drawPoint(QPointF(x, box.top() + box.height() * 0.83));
    p.restore();
}

void paintMissingSlot(QPainter& p, const QRectF& slot, const QPalette& palette) {
    p.save();
    p.setPen(QPen(palette.text().color(), 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(slot);
    p.restore();
}
} // namespace

struct LoudnessChart::Geometry {
    double labelRight = 0;
    double plotLeft = 0;
    double plotRight = 0;
    double valueLeft = 0;
    double rowsTop = 0;
    double rowHeight = 0;
    std::vector<LegendItem> legend;
    std::vector<QRectF> legendBoxes; // one per legend item
    int height = 0;

    double x(double lufs, double top) const {
        const double clamped = std::clamp(lufs, FloorLufs, top);
        return plotLeft + (plotRight - plotLeft) * (clamped - FloorLufs) / (top - FloorLufs);
    }
    QRectF row(std::size_t i) const {
        return {0, rowsTop + rowHeight * double(i), plotRight + Pad, rowHeight};
    }
};

LoudnessChart::LoudnessChart(std::vector<Bar> bars, double toleranceLu, QWidget* parent)
    : QWidget(parent), bars_(std::move(bars)), toleranceLu_(toleranceLu) {
    top_ = -12;
    double loudest = -std::numeric_limits<double>::infinity();
    for (const Bar& b : bars_)
        if (!b.missing && std::isfinite(b.lufs)) {
            top_ = std::max(top_, std::ceil(b.lufs / 6) * 6 + 6);
            loudest = std::max(loudest, b.lufs);
        }
    top_ = std::min(top_, std::max(0.0, std::ceil(loudest)));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMouseTracking(true);
}

QString LoudnessChart::valueText(std::size_t bar) const {
    const Bar& b = bars_.at(bar);
    if (b.missing)
        return QStringLiteral("missing");
    if (!std::isfinite(b.lufs))
        return QStringLiteral("silent");
    return QStringLiteral("%1 LUFS").arg(lu(b.lufs));
}

std::vector<double> LoudnessChart::references() const {
    std::vector<double> refs;
    double previous = Unset;
    for (const Bar& b : bars_) {
        if (!b.loop) {
            refs.push_back(Unset);
            continue;
        }
        refs.push_back(previous);
        // A missing or silent loop breaks the chain, as it does in the checker.
        previous = !b.missing && std::isfinite(b.lufs) ? b.lufs : Unset;
    }
    return refs;
}

LoudnessChart::Geometry LoudnessChart::geometry(int width) const {
    const QFontMetrics fm(font());
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics boldFm(bold); // a failing bar's label is bold
    Geometry g;
    double labels = 0;
    for (const Bar& b : bars_)
        labels = std::max(labels, double((b.failing ? boldFm : fm).horizontalAdvance(b.label)));
    g.rowHeight = fm.height() + 10;
    g.labelRight = Pad + std::min(labels + 4, width * 0.4);
    g.plotLeft = g.labelRight + Pad;
    const double value = g.rowHeight + fm.horizontalAdvance(QStringLiteral("-88.8 LUFS")) + 2 * Pad;
    g.valueLeft = std::max(g.plotLeft + 60, width - Pad - value);
    g.plotRight = g.valueLeft - Pad;
    g.rowsTop = Pad + fm.height() + 4;

    bool transitions = false, missing = false;
    for (const Bar& b : bars_) {
        transitions |= !b.loop;
        missing |= b.missing;
    }
    g.legend.push_back({Key::Loop, QStringLiteral("loop")});
    if (transitions)
        g.legend.push_back({Key::Transition, QStringLiteral("transition")});
    g.legend.push_back({Key::Failing, QStringLiteral("fails a check")});
    g.legend.push_back({Key::Band, QStringLiteral("a loop's allowed range: within %1 LU of "
                                                  "the loop before")
                                       .arg(lu(toleranceLu_))});
    if (missing)
        g.legend.push_back({Key::Missing, QStringLiteral("missing file")});
    double x = Pad, y = g.rowsTop + g.rowHeight * double(bars_.size()) + 2 * Pad;
    const double lineHeight = std::max(fm.height(), Swatch) + 4;
    for (const LegendItem& item : g.legend) {
        const double w = Swatch + 4 + fm.horizontalAdvance(item.text);
        if (x > Pad && x + w > width - Pad) {
            x = Pad;
            y += lineHeight;
        }
        g.legendBoxes.emplace_back(x, y, w, lineHeight);
        x += w + 3 * Pad;
    }
    g.height = int(std::ceil(y + lineHeight + Pad));
    return g;
}

int LoudnessChart::heightForWidth(int width) const {
    return geometry(width).height;
}

QSize LoudnessChart::sizeHint() const {
    return {560, heightForWidth(560)};
}

QSize LoudnessChart::minimumSizeHint() const {
    return {320, heightForWidth(320)};
}

QRectF LoudnessChart::rowRect(std::size_t bar) const {
    QRectF row = geometry(width()).row(bar);
    row.setRight(width());
    return row;
}

void LoudnessChart::paintLegend(QPainter& p, const Geometry& g) const {
    for (std::size_t i = 0; i < g.legend.size(); ++i) {
        const QRectF box = g.legendBoxes[i];
        const QRectF swatch(box.left(), box.center().y() - Swatch / 2.0, Swatch, Swatch);
        switch (g.legend[i].key) {
        case Key::Loop:
            p.fillRect(swatch, palette().highlight());
            break;
        case Key::Transition:
            p.fillRect(swatch, palette().mid());
            break;
        case Key::Failing:
            paintMarker(p, swatch);
            break;
        case Key::Band:
            p.fillRect(swatch, BandColor);
            break;
        case Key::Missing:
            paintMissingSlot(p, swatch.adjusted(0.5, 0.5, -0.5, -0.5), palette());
            break;
        }
        p.setPen(palette().text().color());
        p.drawText(box.adjusted(Swatch + 4, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   g.legend[i].text);
    }
}

void LoudnessChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const Geometry g = geometry(width());
    const QFontMetrics fm(font());
    const double rowsBottom = g.rowsTop + g.rowHeight * double(bars_.size());

    // The scale: a line every 6 LU where the figures fit, else every 12.
    const double perSix = g.x(FloorLufs + 6, top_) - g.x(FloorLufs, top_);
    const double step = perSix >= fm.horizontalAdvance(QStringLiteral("-60")) + 8 ? 6 : 12;
    for (double level = top_; level >= FloorLufs; level -= step) {
        const double x = g.x(level, top_);
        p.setPen(QPen(palette().midlight().color(), 1));
        p.drawLine(QPointF(x, g.rowsTop), QPointF(x, rowsBottom));
        p.setPen(palette().text().color());
        p.drawText(QRectF(x - 20, Pad, 40, fm.height()), Qt::AlignCenter,
                   QString::number(level, 'f', 0));
    }
    p.drawText(QRectF(g.valueLeft, Pad, width() - g.valueLeft, fm.height()),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("LUFS"));

    const std::vector<double> refs = references();
    for (std::size_t i = 0; i < bars_.size(); ++i) {
        const Bar& b = bars_[i];
        const QRectF row = g.row(i);
        if (i % 2)
            p.fillRect(QRectF(0, row.top(), width(), row.height()), palette().alternateBase());
        const QRectF slot(g.plotLeft, row.top() + 4, g.plotRight - g.plotLeft, row.height() - 8);
        QFont labelFont = font();
        labelFont.setBold(b.failing);
        p.setFont(labelFont);
        p.setPen(b.failing ? FailColor : palette().text().color());
        p.drawText(QRectF(Pad, row.top(), g.labelRight - Pad, row.height()),
                   Qt::AlignRight | Qt::AlignVCenter,
                   fm.elidedText(b.label, Qt::ElideMiddle, int(g.labelRight - Pad)));
        const bool band = std::isfinite(refs[i]) && !b.missing;
        const double bandLeft = band ? g.x(refs[i] - toleranceLu_, top_) : 0;
        const double bandRight = band ? g.x(refs[i] + toleranceLu_, top_) : 0;
        if (band)
            p.fillRect(QRectF(bandLeft, row.top() + 1, bandRight - bandLeft, row.height() - 2),
                       BandColor);
        if (b.missing) {
            paintMissingSlot(p, slot, palette());
            QFont italic = font();
            italic.setItalic(true);
            p.setFont(italic);
            p.setPen(palette().text().color());
            p.drawText(slot, Qt::AlignCenter, QStringLiteral("missing: %1").arg(b.file));
        } else if (std::isfinite(b.lufs)) {
            const QBrush fill = b.failing ? QBrush(FailColor)
                                : b.loop  ? palette().highlight()
                                          : palette().mid();
            p.fillRect(
                QRectF(slot.left(), slot.top(), g.x(b.lufs, top_) - slot.left(), slot.height()),
                fill);
        } else {
            p.setPen(QPen(palette().mid().color(), 1));
            p.drawLine(slot.topLeft(), slot.bottomLeft());
        }
        // The band's edges over the bar, so that where the bar ends against them shows.
        if (band) {
            p.setPen(QPen(BandEdge, 2));
            for (double x : {bandLeft, bandRight})
                p.drawLine(QPointF(x, row.top() + 1), QPointF(x, row.bottom() - 1));
        }
        QFont valueFont = font();
        valueFont.setBold(b.failing);
        valueFont.setItalic(b.missing || !std::isfinite(b.lufs));
        p.setFont(valueFont);
        const double marker = row.height() - 10;
        if (b.failing)
            paintMarker(p, QRectF(g.valueLeft, row.top() + 5, marker, marker));
        p.setPen(b.failing ? FailColor : palette().text().color());
        p.drawText(QRectF(g.valueLeft + marker + 4, row.top(), width(), row.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, valueText(i));
    }
    p.setFont(font());
    paintLegend(p, g);
}

bool LoudnessChart::event(QEvent* e) {
    if (e->type() != QEvent::ToolTip)
        return QWidget::event(e);
    const auto* help = static_cast<QHelpEvent*>(e);
    const Geometry g = geometry(width());
    const double at = (help->pos().y() - g.rowsTop) / g.rowHeight;
    if (at < 0 || at >= double(bars_.size())) {
        QToolTip::hideText();
        e->ignore();
        return true;
    }
    const std::size_t i = std::size_t(at);
    const Bar& b = bars_[i];
    QString tip = QStringLiteral("%1: %2").arg(b.file.isEmpty() ? b.label : b.file, valueText(i));
    const double ref = references()[i];
    if (std::isfinite(ref) && !b.missing)
        tip += QStringLiteral("\nallowed: %1 to %2 LUFS (the loop before is %3 LUFS)")
                   .arg(lu(ref - toleranceLu_), lu(ref + toleranceLu_), lu(ref));
    if (b.failing)
        tip += QStringLiteral("\nfails a check: see the findings");
    QToolTip::showText(help->globalPos(), tip, this);
    return true;
}

} // namespace ws
