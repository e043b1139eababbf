// A loop's seam as a picture: the end of the file and its start joined, the seam marked,
// so that a click or a gap shows where the repeat joins.
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

namespace ws {

class SeamView : public QWidget {
    Q_OBJECT
public:
    SeamView(const QString& title, std::vector<float> samples, std::size_t seamAt,
             QWidget* parent = nullptr);

    QSize sizeHint() const override { return {360, 90}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    std::vector<float> samples_;
    std::size_t seamAt_;
};

} // namespace ws
