// The seam picture; see SeamView.h.
#include "SeamView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace ws {

namespace {
constexpr int Pad = 4;
constexpr int PlotHeight = 72;
constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
// Below this many pixels per sample the points would merge into the line.
constexpr double PixelsPerPoint = 4.0;
const QColor FailColor(0xd0, 0x20, 0x20);
} // namespace

SeamView::SeamView(const QString& title, std::vector<float> samples, std::size_t seamAt, int rate,
                   const QString& finding, QWidget* parent)
    : QWidget(parent), title_(title), samples_(std::move(samples)),
      seamAt_(std::min(seamAt, samples_.size())), rate_(rate), finding_(finding) {
    const std::size_t each =
        rate_ > 0 ? std::max(MinSamplesEachSide, std::size_t(std::lround(SpanMs * rate_ / 1000)))
                  : samples_.size();
    first_ = seamAt_ - std::min(each, seamAt_);
    end_ = seamAt_ + std::min(each, samples_.size() - seamAt_);
    for (float s : samples_)
        peak_ = std::max(peak_, std::abs(s));
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    QString tip = QStringLiteral("The end of \"%1\" (left of the dashed line) runs into its start, "
                                 "as at every repeat of the loop.")
                      .arg(title_);
    if (failing())
        tip += QStringLiteral("\n") + finding_;
    setToolTip(tip);
}

int SeamView::textHeight(int width) const {
    const QFontMetrics fm(font());
    int height = fm.height() + Pad;
    if (failing())
        height +=
            fm.boundingRect(QRect(0, 0, std::max(1, width - 2 * Pad), 10000), TextFlags, finding_)
                .height() +
            Pad;
    return height;
}

// The span's ends are named beneath the plot, in a smaller font, where no wave runs over them.
QFont SeamView::captionFont() const {
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    return small;
}

int SeamView::heightForWidth(int width) const {
    return textHeight(width) + PlotHeight + QFontMetrics(captionFont()).height() + Pad;
}

QSize SeamView::sizeHint() const {
    return {420, heightForWidth(420)};
}

QSize SeamView::minimumSizeHint() const {
    return {240, heightForWidth(240)};
}

void SeamView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QFontMetrics fm(font());
    int top = Pad / 2;
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(palette().text().color());
    p.drawText(QRect(Pad, top, width() - 2 * Pad, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               fm.elidedText(title_, Qt::ElideMiddle, width() - 2 * Pad));
    p.setFont(font());
    top += fm.height() + Pad / 2;
    if (failing()) {
        const QRect text(Pad, top, width() - 2 * Pad, textHeight(width()) - fm.height() - Pad);
        p.setPen(FailColor);
        p.drawText(text, TextFlags, finding_);
        top = text.bottom() + Pad;
    }
    const int caption = QFontMetrics(captionFont()).height();
    const QRectF plot = QRectF(rect()).adjusted(Pad, top, -Pad, -Pad - caption);
    const QColor faint = palette().mid().color();

    // Behind the wave: the zero line and the seam, so neither hides the step at the join.
    p.setPen(QPen(faint, 1, Qt::DotLine));
    p.drawLine(QPointF(plot.left(), plot.center().y()), QPointF(plot.right(), plot.center().y()));
    const std::size_t shown = end_ - first_;
    if (shown < 2)
        return;
    const double step = plot.width() / double(shown - 1);
    const auto x = [&](double i) { return plot.left() + step * (i - double(first_)); };
    const auto y = [&](float s) {
        return plot.center().y() - (plot.height() / 2 - 2) * double(s / peak_);
    };
    const double seam = x(double(seamAt_) - 0.5);
    p.setPen(QPen(faint, 1, Qt::DashLine));
    p.drawLine(QPointF(seam, plot.top()), QPointF(seam, plot.bottom()));

    p.setFont(captionFont());
    p.setPen(palette().placeholderText().color());
    const double msLeft = rate_ > 0 ? 1000.0 * double(seamAt_ - first_) / rate_ : 0;
    const double msRight = rate_ > 0 ? 1000.0 * double(end_ - seamAt_) / rate_ : 0;
    const QRectF below(plot.left(), plot.bottom(), plot.width(), caption);
    p.drawText(below, Qt::AlignLeft | Qt::AlignVCenter,
               rate_ > 0 ? QStringLiteral("end: last %1 ms").arg(msLeft, 0, 'f', 1)
                         : QStringLiteral("end"));
    p.drawText(QRectF(seam - 30, below.top(), 60, caption), Qt::AlignCenter,
               QStringLiteral("seam"));
    p.drawText(below, Qt::AlignRight | Qt::AlignVCenter,
               rate_ > 0 ? QStringLiteral("start: first %1 ms").arg(msRight, 0, 'f', 1)
                         : QStringLiteral("start"));

    QPainterPath wave;
    wave.moveTo(x(double(first_)), y(samples_[first_]));
    for (std::size_t i = first_ + 1; i < end_; ++i)
        wave.lineTo(x(double(i)), y(samples_[i]));
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().highlight().color();
    p.setPen(QPen(ink, 1.5));
    p.drawPath(wave);
    if (step >= PixelsPerPoint) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        const double r = std::min(2.5, step / 3);
        for (std::size_t i = first_; i < end_; ++i)
            p.drawEllipse(QPointF(x(double(i)), y(samples_[i])), r, r);
    }
    if (failing()) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(FailColor, 2));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

} // namespace ws
