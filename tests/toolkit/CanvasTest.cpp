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

TEST(Canvas, AxisLinesLeaveOutTheirEndPointInBothDirections) {
    QImage image = White(10, 10);
    {
        TCanvas canvas(&image);
        canvas.Pen.Color = clRed;
        canvas.MoveTo(7, 1);
        canvas.LineTo(3, 1);
        canvas.MoveTo(2, 3);
        canvas.LineTo(2, 6);
    }
    const QRgb red = qRgb(255, 0, 0);
    const QRgb white = qRgb(255, 255, 255);
    EXPECT_EQ(image.pixel(7, 1), red);
    EXPECT_EQ(image.pixel(4, 1), red);
    EXPECT_EQ(image.pixel(3, 1), white);
    EXPECT_EQ(image.pixel(2, 3), red);
    EXPECT_EQ(image.pixel(2, 5), red);
    EXPECT_EQ(image.pixel(2, 6), white);
}

}  // namespace
}  // namespace vx
