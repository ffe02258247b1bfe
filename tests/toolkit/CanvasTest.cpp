#include <gtest/gtest.h>

#include "Canvas.h"
#include "Colors.h"

namespace vx {
namespace {

QImage White(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TEST(Canvas, RectangleLeavesOutRightAndBottomEdges) {
    QImage image = White(10, 10);
    {
        TCanvas canvas(&image);
        canvas.Pen.Color = clRed;
        canvas.Brush.Color = clBlue;
        canvas.Rectangle(2, 2, 6, 6);
    }
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(6, 6), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(6, 2), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace vx
