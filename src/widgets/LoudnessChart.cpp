// The loudness chart; see LoudnessChart.h.
#include "LoudnessChart.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ws {

namespace {
constexpr int BarWidth = 22;
constexpr int LabelHeight = 60;
constexpr double FloorLufs = -60.0; // bars start here; quieter reads as empty
} // namespace

LoudnessChart::LoudnessChart(std::vector<std::pair<QString, double>> bars, QWidget* parent)
    : QWidget(parent), bars_(std::move(bars)) {
    setMinimumHeight(180);
}

QSize LoudnessChart::sizeHint() const {
    return {std::max(240, int(bars_.size()) * (BarWidth + 4) + 50), 220};
}

void LoudnessChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    if (bars_.empty())
        return;
    double top = FloorLufs + 1;
    for (const auto& bar : bars_)
        if (std::isfinite(bar.second))
            top = std::max(top, bar.second);
    top = std::ceil(top / 6) * 6 + 6;
    const QRectF plot(44, 8, width() - 52, height() - 16 - LabelHeight);
    const auto y = [&](double lufs) {
        const double clamped = std::clamp(lufs, FloorLufs, top);
        return plot.bottom() - plot.height() * (clamped - FloorLufs) / (top - FloorLufs);
    };
    p.setPen(palette().mid().color());
    for (double level = top; level >= FloorLufs; level -= 12) {
        p.drawLine(QPointF(plot.left(), y(level)), QPointF(plot.right(), y(level)));
        p.drawText(QRectF(0, y(level) - 8, 40, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(level, 'f', 0));
    }
    const double step = plot.width() / double(bars_.size());
    for (std::size_t i = 0; i < bars_.size(); ++i) {
        const double left =
            plot.left() + step * double(i) + (step - std::min(step, double(BarWidth))) / 2;
        const double w = std::min(step - 2, double(BarWidth));
        const double lufs = bars_[i].second;
        if (std::isfinite(lufs)) {
            const bool loop = bars_[i].first.startsWith(QLatin1String("idle")) ||
                              bars_[i].first.startsWith(QLatin1String("steam_loop"));
            p.fillRect(QRectF(left, y(lufs), w, plot.bottom() - y(lufs)),
                       loop ? palette().highlight() : palette().mid());
        }
        p.save();
        p.translate(left + w / 2 + 4, plot.bottom() + 4);
        p.rotate(60);
        p.setPen(palette().text().color());
        p.drawText(QPointF(0, 0), bars_[i].first);
        p.restore();
    }
    p.setPen(palette().text().color());
    p.drawText(QRectF(0, 0, 44, 12), Qt::AlignLeft, QStringLiteral("LUFS"));
}

} // namespace ws
