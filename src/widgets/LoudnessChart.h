// Loudness of a set's loops and transitions as horizontal bars, one row each with its label
// and its value, so that a notch much louder or quieter than its neighbours stands out: each
// loop's row shows the band its level may lie in (the tolerance around the loop before it),
// failing bars are red and marked, and a file that is missing or silent keeps its slot.
#pragma once

#include <QRectF>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <vector>

namespace ws {

class LoudnessChart : public QWidget {
    Q_OBJECT
public:
    struct Bar {
        QString label; // short: "idle 3", "up 1 - 2"
        QString file;  // the file it measures, for the tooltip
        double lufs;   // not finite: silent, or no file
        bool missing = false;
        bool failing = false;
        bool loop = true; // loops are compared with the loop before; transitions are not
    };

    explicit LoudnessChart(std::vector<Bar> bars, double toleranceLu, QWidget* parent = nullptr);

    // What the row says about its bar: "-18.3 LUFS", "missing" or "silent".
    QString valueText(std::size_t bar) const;
    // The row of a bar in the current size: its label, slot and value.
    QRectF rowRect(std::size_t bar) const;
    std::size_t barCount() const { return bars_.size(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Geometry; // the chart's columns and rows at one width
    Geometry geometry(int width) const;
    // The level of the loop each bar is compared with; not finite where there is none.
    std::vector<double> references() const;
    void paintLegend(QPainter& p, const Geometry& g) const;

    std::vector<Bar> bars_;
    double toleranceLu_;
    double top_; // the loudest end of the scale
};

} // namespace ws
