// Off-screen layers: their size and frame fill, exclusive-edge fills, and the XOR
// combination; plus the conversion of stored colours.
#include "widgets/LayerBitmap.h"
#include "widgets/Colors.h"

#include <QPalette>
#include <gtest/gtest.h>

namespace ws {
namespace {

QRgb rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

TEST(ColorsTest, PlainValuesAreBlueGreenRedAndSystemValuesFollowThePalette) {
    QPalette palette;
    palette.setColor(QPalette::Shadow, QColor(0x12, 0x34, 0x56));
    palette.setColor(QPalette::Window, QColor(0xAB, 0xCD, 0xEF));
    EXPECT_EQ(toQColor(0x00808040, palette), QColor(64, 128, 128));
    EXPECT_EQ(toQColor(rgbColor(1, 2, 3), palette), QColor(1, 2, 3));
    EXPECT_EQ(toQColor(clWindowFrame, palette), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(toQColor(clBtnFace, palette), QColor(0xAB, 0xCD, 0xEF));
}

TEST(LayerBitmapTest, MakeLikeTakesTheSizeAndFillsWithTheFrameColour) {
    QPalette palette;
    palette.setColor(QPalette::Shadow, QColor(0x12, 0x34, 0x56));
    const QImage templ(7, 3, QImage::Format_RGB32);
    LayerBitmap layer;
    layer.makeLike(templ, palette);
    ASSERT_EQ(layer.size(), QSize(7, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(rgb(layer, x, y), 0x123456u);
}

TEST(LayerBitmapTest, EdgeRectanglesExcludeTheirRightAndBottomEdges) {
    LayerBitmap image(6, 6);
    image.fill(Qt::black);
    const QRect clip(1, 0, 5, 6);
    fillEdgeRect(image, 0, 1, 3, 4, Qt::white, clip);
    fillEdgeRect(image, 4, 4, 2, 2, Qt::red, clip); // inverted: nothing
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(rgb(image, x, y), (x >= 1 && x < 3 && y >= 1 && y < 4) ? 0xFFFFFFu : 0u)
                << x << ", " << y;
}

TEST(LayerBitmapTest, XorCombinesColourBitsAtAnOffset) {
    LayerBitmap target(4, 4);
    target.fill(QColor(0x0F, 0xF0, 0x55));
    LayerBitmap source(3, 3);
    source.fill(QColor(0xFF, 0xFF, 0xFF));
    source.setPixel(0, 0, qRgb(0x0F, 0xF0, 0x55));
    combineXor(target, source, 2, 2); // only the top-left 2 x 2 of the source lands
    EXPECT_EQ(rgb(target, 2, 2), 0u);
    EXPECT_EQ(rgb(target, 3, 2), 0xF00FAAu);
    EXPECT_EQ(rgb(target, 3, 3), 0xF00FAAu);
    EXPECT_EQ(rgb(target, 1, 1), 0x0FF055u);
    EXPECT_EQ(qAlpha(target.pixel(3, 3)), 255);

    QImage indexed(2, 2, QImage::Format_Indexed8);
    EXPECT_THROW(combineXor(indexed, source), std::invalid_argument);
}

} // namespace
} // namespace ws
