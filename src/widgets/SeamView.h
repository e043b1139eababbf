// A loop's seam as a picture: the end of the file running into its start, as at every repeat,
// zoomed close enough to the join that a wave cut mid-cycle shows its jump. A loop the checker
// faults at its seam is framed in red with the finding's words.
#pragma once

#include <QString>
#include <QWidget>

#include <cstddef>
#include <vector>

namespace ws {

class SeamView : public QWidget {
    Q_OBJECT
public:
    // How much of the picture is shown either side of the seam. A click is a single step
    // between two samples; over the whole 20 ms either side it is a sliver of a pixel.
    static constexpr double SpanMs = 3.0;
    // Fewer samples than this either side would hide the wave's shape at very low rates.
    static constexpr std::size_t MinSamplesEachSide = 8;

    // `samples`: the end of the file and its start, joined; the start begins at `seamAt`.
    // `rate` in Hz (0 when unknown: the whole picture is shown). `finding`: why the seam
    // fails, or empty for a seam that passes.
    SeamView(const QString& title, std::vector<float> samples, std::size_t seamAt, int rate,
             const QString& finding = QString(), QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    const QString& finding() const { return finding_; }
    bool failing() const { return !finding_.isEmpty(); }
    // The samples drawn, as [first, last) indices into the picture.
    std::size_t firstShown() const { return first_; }
    std::size_t endShown() const { return end_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The title's line, and the finding's lines wrapped to `width`.
    int textHeight(int width) const;
    QFont captionFont() const;

    QString title_;
    std::vector<float> samples_;
    std::size_t seamAt_;
    int rate_;
    QString finding_;
    std::size_t first_ = 0;
    std::size_t end_ = 0;
    float peak_ = 1e-6f; // of the whole picture, so that the zoom does not magnify a quiet end
};

} // namespace ws
