#include "TransparentStretch.h"

#include <gtest/gtest.h>

#include "Colors.h"

namespace vx {
namespace {

constexpr QRgb kBackground = 0xFF00FF00;  // green
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kWhite = 0xFFFFFFFF;

// A 2 x 2 source: red, blue / blue, white.
QImage Source() {
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixel(0, 0, kRed);
    image.setPixel(1, 0, kBlue);
    image.setPixel(0, 1, kBlue);
    image.setPixel(1, 1, kWhite);
    return image;
}

QImage Background(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}

QImage Stretched(const QImage& source, QRect dest, TColor key, bool monochrome = false,
                 QRect sourceRect = QRect()) {
    QImage target = Background(4, 4);
    {
        TCanvas canvas(&target);
        TransparentStretch(canvas, dest, source, monochrome, sourceRect, key);
        EXPECT_EQ(canvas.CopyMode, cmSrcCopy);
    }
    return target;
}

TEST(TransparentStretch, KeyPixelsKeepTheBackgroundAndTheRestIsStretchedWithoutBlending) {
    const QImage out = Stretched(Source(), QRect(0, 0, 4, 4), FromQColor(QColor(kBlue)));
    // Each source pixel covers a 2 x 2 block; the blue ones show the background.
    EXPECT_EQ(out.pixel(0, 0), kRed);
    EXPECT_EQ(out.pixel(1, 1), kRed);
    EXPECT_EQ(out.pixel(2, 0), kBackground);
    EXPECT_EQ(out.pixel(3, 1), kBackground);
    EXPECT_EQ(out.pixel(0, 3), kBackground);
    EXPECT_EQ(out.pixel(2, 2), kWhite);
    EXPECT_EQ(out.pixel(3, 3), kWhite);
}

TEST(TransparentStretch, NoColourCopiesEverythingAndSizesBelowOneTakeTheBitmaps) {
    const QImage out = Stretched(Source(), QRect(1, 1, 0, 0), clNone);
    EXPECT_EQ(out.pixel(1, 1), kRed);
    EXPECT_EQ(out.pixel(2, 1), kBlue);
    EXPECT_EQ(out.pixel(2, 2), kWhite);
    EXPECT_EQ(out.pixel(3, 3), kBackground);
    EXPECT_EQ(out.pixel(0, 0), kBackground);
}

TEST(TransparentStretch, DefaultColourIsTheBottomLeftPixel) {
    const QImage out = Stretched(Source(), QRect(0, 0, 2, 2), clDefault);
    EXPECT_EQ(out.pixel(0, 1), kBackground);
    EXPECT_EQ(out.pixel(1, 0), kBackground);
    EXPECT_EQ(out.pixel(0, 0), kRed);
}

TEST(TransparentStretch, MonochromeBitmapsKeyOnWhite) {
    const QImage out = Stretched(Source(), QRect(0, 0, 2, 2), FromQColor(QColor(kRed)), true);
    EXPECT_EQ(out.pixel(1, 1), kBackground);
    EXPECT_EQ(out.pixel(0, 0), kRed);
}

TEST(TransparentStretch, SourceRectangleSelectsPartOfTheBitmap) {
    const QImage out =
        Stretched(Source(), QRect(0, 0, 4, 2), FromQColor(QColor(kBlue)), false, QRect(1, 1, 1, 1));
    EXPECT_EQ(out.pixel(0, 0), kWhite);
    EXPECT_EQ(out.pixel(3, 1), kWhite);
    EXPECT_EQ(out.pixel(0, 2), kBackground);
}

}  // namespace
}  // namespace vx
