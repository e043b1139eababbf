// The seam picture; see SeamView.h.
#include "SeamView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ws {

SeamView::SeamView(const QString& title, std::vector<float> samples, std::size_t seamAt,
                   QWidget* parent)
    : QWidget(parent), title_(title), samples_(std::move(samples)), seamAt_(seamAt) {
    setMinimumSize(240, 80);
    setToolTip(QStringLiteral("The end of \"%1\" (left of the red line) runs into its start, as "
                              "every repeat of the loop does.")
                   .arg(title_));
}

void SeamView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QRectF plot = QRectF(rect()).adjusted(4, 18, -4, -4);
    p.setPen(palette().text().color());
    p.drawText(QRectF(4, 0, width() - 8, 16), Qt::AlignLeft | Qt::AlignVCenter, title_);
    p.setPen(QPen(palette().mid().color(), 1, Qt::DotLine));
    p.drawLine(QPointF(plot.left(), plot.center().y()), QPointF(plot.right(), plot.center().y()));
    if (samples_.size() < 2)
        return;
    // Scaled to the picture's own peak, so that a quiet loop's seam shows as clearly.
    float peak = 1e-6f;
    for (float s : samples_)
        peak = std::max(peak, std::abs(s));
    const auto x = [&](std::size_t i) {
        return plot.left() + plot.width() * double(i) / double(samples_.size() - 1);
    };
    const auto y = [&](float s) {
        return plot.center().y() - plot.height() / 2 * double(s / peak);
    };
    QPainterPath wave;
    wave.moveTo(x(0), y(samples_[0]));
    for (std::size_t i = 1; i < samples_.size(); ++i)
        wave.lineTo(x(i), y(samples_[i]));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().highlight().color(), 1.2));
    p.drawPath(wave);
    p.setPen(QPen(Qt::red, 1, Qt::DashLine));
    const double seam = x(std::min(seamAt_, samples_.size() - 1));
    p.drawLine(QPointF(seam, plot.top()), QPointF(seam, plot.bottom()));
}

} // namespace ws
