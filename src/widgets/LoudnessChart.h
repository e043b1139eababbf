// Loudness of a set's loops and transitions as bars, so that a notch much louder or quieter
// than its neighbours stands out.
#pragma once

#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

namespace ws {

class LoudnessChart : public QWidget {
    Q_OBJECT
public:
    // Bars in order: a label and a loudness in LUFS each.
    explicit LoudnessChart(std::vector<std::pair<QString, double>> bars, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::pair<QString, double>> bars_;
};

} // namespace ws
