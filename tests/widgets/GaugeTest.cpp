// The gauge's property rules and its pictures, checked pixel by pixel on rendered images.
#include "widgets/Gauge.h"
#include "widgets/WidgetErrors.h"

#include <QApplication>
#include <QBackingStore>
#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <climits>
#include <functional>
#include <gtest/gtest.h>

namespace ws {
namespace {

QImage render(Gauge& gauge) {
    return gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QRgb rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}
QRgb rgb(const QColor& color) {
    return color.rgb() & 0xFFFFFF;
}

constexpr QRgb black = 0x000000;
constexpr QRgb white = 0xFFFFFF;
constexpr Color faderColor = 0x00808040; // red 64, green 128, blue 128
constexpr QRgb faderRgb = 0x408080;

// Compares every pixel with `expected(x, y)` and reports the first few mismatches.
void expectPixels(const QImage& image, const std::function<QRgb(int, int)>& expected) {
    int mismatches = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (rgb(image, x, y) != expected(x, y) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex
                              << rgb(image, x, y) << ", expected " << expected(x, y);
    EXPECT_EQ(mismatches, 0);
}

// The main window's fader: 9 x 121, framed vertical bar, no text.
void makeFader(Gauge& gauge) {
    gauge.resize(9, 121);
    gauge.setForeColor(faderColor);
    gauge.setKind(gkVerticalBar);
    gauge.setShowText(false);
}

// What the screen shows of a top-level widget: the last picture painted into its window's
// backing store, without painting anew.
QImage onScreen(QWidget& widget) {
    QBackingStore* store = widget.backingStore();
    if (!store || !store->paintDevice() || store->paintDevice()->devType() != QInternal::Image) {
        ADD_FAILURE() << "the window's backing store holds no image";
        return QImage(widget.size(), QImage::Format_RGB32);
    }
    const auto* image = static_cast<const QImage*>(store->paintDevice());
    return image->copy(QRect(QPoint(0, 0), widget.size())).convertToFormat(QImage::Format_RGB32);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

TEST(GaugeTest, StartsAsAFramedHorizontalBarFromZeroToHundred) {
    Gauge gauge;
    EXPECT_EQ(gauge.width(), 100);
    EXPECT_EQ(gauge.height(), 100);
    EXPECT_EQ(gauge.Kind(), gkHorizontalBar);
    EXPECT_EQ(gauge.BorderStyle(), bsSingle);
    EXPECT_EQ(gauge.BackColor(), clWhite);
    EXPECT_EQ(gauge.ForeColor(), clBlack);
    EXPECT_EQ(gauge.MinValue(), 0);
    EXPECT_EQ(gauge.MaxValue(), 100);
    EXPECT_EQ(gauge.Progress(), 0);
    EXPECT_TRUE(gauge.ShowText());
    EXPECT_TRUE(gauge.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(GaugeTest, PercentageIsTruncatedAndSafeForEveryRange) {
    Gauge gauge;
    gauge.setMaxValue(3);
    gauge.setProgress(2);
    EXPECT_EQ(gauge.Percentage(), 66);

    gauge.setMaxValue(0); // minimum equals maximum
    EXPECT_EQ(gauge.Progress(), 0);
    EXPECT_EQ(gauge.Percentage(), 0);

    // The widest range: the differences of the bounds do not fit in 32 bits.
    gauge.setMinValue(-2147483647);
    gauge.setMaxValue(INT_MAX);
    gauge.setProgress(INT_MAX);
    EXPECT_EQ(gauge.Percentage(), 100);
    gauge.setProgress(0);
    EXPECT_EQ(gauge.Percentage(), 50);

    EXPECT_EQ(calcPercent(-2, 3), -66); // toward zero, not down
    EXPECT_EQ(calcPercent(5, 0), 0);
    EXPECT_EQ(scaleByPercent(50, 121), 60);
    EXPECT_EQ(scaleByPercent(-50, 121), -60);
    EXPECT_EQ(scaleByPercent(100, 120), 120);
}

TEST(GaugeTest, ProgressIsClampedIntoTheRange) {
    Gauge gauge;
    gauge.setProgress(-5);
    EXPECT_EQ(gauge.Progress(), 0);
    gauge.setProgress(150);
    EXPECT_EQ(gauge.Progress(), 100);
    EXPECT_EQ(gauge.Percentage(), 100);
}

TEST(GaugeTest, BoundsOutOfOrderAreRefusedWithTheRangeMessage) {
    Gauge gauge;
    gauge.setProgress(40);
    try {
        gauge.setMinValue(120);
        ADD_FAILURE() << "a minimum above the maximum was accepted";
    } catch (const InvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Value must be between -2147483647 and 99");
    }
    try {
        gauge.setMaxValue(-1);
        ADD_FAILURE() << "a maximum below the minimum was accepted";
    } catch (const InvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Value must be between 1 and 2147483647");
    }
    EXPECT_EQ(gauge.MinValue(), 0);
    EXPECT_EQ(gauge.MaxValue(), 100);
    EXPECT_EQ(gauge.Progress(), 40);

    // The bounds of the message follow the other bound, whatever it is.
    gauge.setMinValue(-10);
    try {
        gauge.setMaxValue(-20);
        ADD_FAILURE() << "a maximum below the minimum was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Value must be between -9 and 2147483647");
    }

    // Equal bounds are allowed.
    EXPECT_NO_THROW(gauge.setMinValue(100));
    EXPECT_EQ(gauge.Percentage(), 0);
}

TEST(GaugeTest, WhileLoadingTheBoundsMayArriveInAnyOrder) {
    Gauge gauge;
    gauge.setLoading(true);
    gauge.setMinValue(200);
    gauge.setMaxValue(300);
    gauge.setLoading(false);
    EXPECT_EQ(gauge.MinValue(), 200);
    EXPECT_EQ(gauge.MaxValue(), 300);
    EXPECT_EQ(gauge.Progress(), 200);
    EXPECT_THROW(gauge.setMaxValue(100), InvalidOperation);
}

TEST(GaugeTest, NewBoundsDragProgressAlong) {
    Gauge gauge;
    gauge.setProgress(50);
    gauge.setMinValue(60);
    EXPECT_EQ(gauge.Progress(), 60);
    gauge.setMaxValue(80);
    EXPECT_EQ(gauge.Progress(), 60);
    gauge.setProgress(75);
    gauge.setMaxValue(70);
    EXPECT_EQ(gauge.Progress(), 70);
    EXPECT_EQ(gauge.Percentage(), 100);
}

// The window's cross-fades set the faders step by step without returning to the event loop,
// so each new percentage must be on the screen when the setter returns; a change that keeps
// the whole-number percentage costs no paint at all.
TEST(GaugeTest, ProgressThatKeepsThePercentageDoesNotRepaint) {
    Gauge gauge;
    makeFader(gauge);
    gauge.setMaxValue(1000);
    gauge.setProgress(500);
    gauge.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gauge));
    QApplication::processEvents();
    PaintCounter counter;
    gauge.installEventFilter(&counter);

    struct Step {
        int progress;
        int barTop; // first row of the bar; the bar ends above row 120, the frame
    };
    for (const Step step :
         {Step{400, 72}, Step{250, 90}, Step{100, 108}, Step{0, 120}, Step{1000, 1}}) {
        SCOPED_TRACE(step.progress);
        const int paintsBefore = counter.count;
        gauge.setProgress(step.progress);
        EXPECT_EQ(counter.count, paintsBefore + 1) << "not painted before the setter returned";
        expectPixels(onScreen(gauge), [&](int x, int y) {
            if (x == 0 || x == 8 || y == 0 || y == 120)
                return black;
            return y >= step.barTop ? faderRgb : white;
        });
    }

    gauge.setProgress(5); // 0 %
    const int paintsBefore = counter.count;
    gauge.setProgress(9); // still 0 %
    QApplication::processEvents();
    EXPECT_EQ(counter.count, paintsBefore);
    EXPECT_EQ(gauge.Progress(), 9);
}

// The fader of the main window: frame, white background and bar exactly in place.
TEST(GaugeTest, VerticalFaderPixelsAtZeroHalfAndFull) {
    struct Case {
        int progress;
        int barTop; // first row of the bar; the bar ends above row 120, the frame
    };
    for (const Case c : {Case{0, 120}, Case{50, 60}, Case{100, 1}}) {
        SCOPED_TRACE(c.progress);
        Gauge gauge;
        makeFader(gauge);
        gauge.setProgress(c.progress);
        expectPixels(render(gauge), [&](int x, int y) {
            if (x == 0 || x == 8 || y == 0 || y == 120)
                return black;
            return y >= c.barTop ? faderRgb : white;
        });
    }
}

TEST(GaugeTest, WithoutBorderThePictureFillsTheWholeArea) {
    Gauge gauge;
    makeFader(gauge);
    gauge.setBorderStyle(bsNone);
    gauge.setProgress(50);
    // The bar's height is half of the area's height plus one: rows 61 to 120.
    expectPixels(render(gauge), [](int, int y) { return y >= 61 ? faderRgb : white; });

    gauge.setKind(gkHorizontalBar);
    gauge.resize(40, 10);
    expectPixels(render(gauge), [](int x, int) { return x < 20 ? faderRgb : white; });
}

TEST(GaugeTest, HorizontalBarFillsFromTheLeftAndNotAtAllAtZero) {
    Gauge gauge;
    gauge.resize(101, 12);
    gauge.setShowText(false);
    gauge.setBackColor(rgbColor(0, 0, 255));
    expectPixels(render(gauge), [](int x, int y) {
        return (x == 0 || x == 100 || y == 0 || y == 11) ? black : QRgb(0x0000FF);
    });

    // Inside the frame W is 100: at 25 % the bar covers columns 1 to 24.
    gauge.setProgress(25);
    expectPixels(render(gauge), [](int x, int y) {
        if (x == 0 || x == 100 || y == 0 || y == 11)
            return black;
        return x < 25 ? black : QRgb(0x0000FF);
    });
}

TEST(GaugeTest, PlainKindShowsTheBackgroundOnly) {
    Gauge gauge;
    gauge.resize(20, 10);
    gauge.setKind(gkText);
    gauge.setShowText(false);
    gauge.setProgress(70);
    gauge.setBackColor(rgbColor(255, 0, 0));
    expectPixels(render(gauge), [](int x, int y) {
        return (x == 0 || x == 19 || y == 0 || y == 9) ? black : QRgb(0xFF0000);
    });
}

// The text is XOR-combined: over the bar and over the background its pixels are the exact
// inverse of the picture without text, so both halves show it in opposite colours.
TEST(GaugeTest, PercentTextShowsInverseOverBarAndBackground) {
    Gauge gauge;
    gauge.resize(101, 30);
    gauge.setForeColor(faderColor);
    gauge.setProgress(50);
    gauge.setShowText(false);
    const QImage plain = render(gauge);
    gauge.setShowText(true);
    const QImage text = render(gauge);

    const int barEnd = 50; // W is 100, so the bar covers columns 1 to 49
    int overBar = 0;
    int overBackground = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 101; ++x) {
            const QRgb before = rgb(plain, x, y);
            const QRgb after = rgb(text, x, y);
            if (before == after)
                continue;
            ASSERT_EQ(after, before ^ 0xFFFFFF) << x << ", " << y;
            ASSERT_TRUE(x >= 1 && x < 100 && y >= 1 && y < 29) << "text on the frame";
            if (x < barEnd) {
                EXPECT_EQ(after, faderRgb ^ 0xFFFFFF);
                ++overBar;
            } else {
                EXPECT_EQ(after, black);
                ++overBackground;
            }
        }
    EXPECT_GT(overBar, 0);
    EXPECT_GT(overBackground, 0);
}

TEST(GaugeTest, TextIsClippedToThePaintRectangle) {
    Gauge gauge;
    gauge.resize(12, 6); // far too small for "100%"
    gauge.setProgress(100);
    const QImage image = render(gauge);
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(rgb(image, x, 0), black);
        EXPECT_EQ(rgb(image, x, 5), black);
    }
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(rgb(image, 0, y), black);
        EXPECT_EQ(rgb(image, 11, y), black);
    }
}

// Pie on a 100 x 100 framed gauge: circle centred near (50, 50), the slice grows clockwise
// from the top.
TEST(GaugeTest, PieGrowsClockwiseFromTheTop) {
    Gauge gauge;
    gauge.setKind(gkPie);
    gauge.setShowText(false);
    gauge.setForeColor(rgbColor(255, 0, 0));
    const QRgb red = 0xFF0000;
    const QRgb face = rgb(toQColor(gauge.Color(), gauge.palette()));

    struct Case {
        int progress;
        QRgb upperRight, lowerRight, lowerLeft, upperLeft;
    };
    for (const Case c : {Case{0, white, white, white, white}, Case{25, red, white, white, white},
                         Case{50, red, red, white, white}, Case{75, red, red, red, white},
                         Case{100, red, red, red, red}}) {
        SCOPED_TRACE(c.progress);
        gauge.setProgress(c.progress);
        const QImage image = render(gauge);
        EXPECT_EQ(rgb(image, 70, 30), c.upperRight);
        EXPECT_EQ(rgb(image, 70, 70), c.lowerRight);
        EXPECT_EQ(rgb(image, 30, 70), c.lowerLeft);
        EXPECT_EQ(rgb(image, 30, 30), c.upperLeft);
        // Corners outside the circle keep the control's colour, inside the frame.
        EXPECT_EQ(rgb(image, 3, 3), face);
        EXPECT_EQ(rgb(image, 96, 96), face);
        EXPECT_EQ(rgb(image, 0, 0), black);
        EXPECT_EQ(rgb(image, 99, 99), black);
        // The outline is in the fore colour.
        EXPECT_EQ(rgb(image, 50, 1), red);
    }
}

// Needle on a 100 x 100 framed gauge: a half ellipse standing on the bottom, the needle
// from the middle of the bottom line, left at 0 %, up at 50 %, right at 100 %.
TEST(GaugeTest, NeedlePointsByThePercentage) {
    Gauge gauge;
    gauge.setKind(gkNeedle);
    gauge.setShowText(false);
    gauge.setForeColor(rgbColor(0, 0, 255));
    const QRgb blue = 0x0000FF;
    const QRgb face = rgb(toQColor(gauge.Color(), gauge.palette()));

    // The fore-coloured pixels of row 64, left and right of the needle's foot (x = 50),
    // outline excluded.
    auto needleSides = [&](const QImage& image) {
        std::pair<int, int> sides{0, 0};
        for (int x = 10; x < 90; ++x)
            if (x != 50 && rgb(image, x, 64) == blue)
                ++(x < 50 ? sides.first : sides.second);
        return sides;
    };

    gauge.setProgress(0);
    QImage image = render(gauge);
    EXPECT_EQ(rgb(image, 50, 50), white);
    EXPECT_EQ(rgb(image, 50, 64), white);
    EXPECT_EQ(needleSides(image), std::make_pair(0, 0));
    EXPECT_EQ(rgb(image, 3, 3), face);
    EXPECT_EQ(rgb(image, 96, 3), face);
    EXPECT_EQ(rgb(image, 50, 1), blue); // top of the outline
    EXPECT_EQ(rgb(image, 0, 99), black);

    gauge.setProgress(50);
    image = render(gauge);
    for (int y = 2; y < 98; ++y)
        EXPECT_EQ(rgb(image, 50, y), blue) << y;
    EXPECT_EQ(needleSides(image), std::make_pair(0, 0));

    gauge.setProgress(25);
    image = render(gauge);
    EXPECT_EQ(rgb(image, 50, 50), white);
    EXPECT_GT(needleSides(image).first, 0);
    EXPECT_EQ(needleSides(image).second, 0);

    gauge.setProgress(75);
    image = render(gauge);
    EXPECT_EQ(needleSides(image).first, 0);
    EXPECT_GT(needleSides(image).second, 0);
}

} // namespace
} // namespace ws
