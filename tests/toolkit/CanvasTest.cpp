#include <gtest/gtest.h>

#include "Canvas.h"
#include "Colors.h"

namespace vx {
namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kBlue = qRgb(0, 0, 255);

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
    EXPECT_EQ(image.pixel(2, 2), kRed);
    EXPECT_EQ(image.pixel(5, 2), kRed);
    EXPECT_EQ(image.pixel(2, 5), kRed);
    EXPECT_EQ(image.pixel(5, 5), kRed);
    EXPECT_EQ(image.pixel(3, 3), kBlue);
    EXPECT_EQ(image.pixel(4, 4), kBlue);
    EXPECT_EQ(image.pixel(6, 6), kWhite);
    EXPECT_EQ(image.pixel(6, 2), kWhite);
    EXPECT_EQ(image.pixel(2, 6), kWhite);
}

TEST(Canvas, RectangleWithClearBrushOnlyOutlines) {
    QImage image = White(8, 8);
    {
        TCanvas canvas(&image);
        canvas.Pen.Color = clRed;
        canvas.Brush.Style = bsClear;
        canvas.Rectangle(0, 0, 8, 8);
    }
    EXPECT_EQ(image.pixel(0, 0), kRed);
    EXPECT_EQ(image.pixel(7, 7), kRed);
    EXPECT_EQ(image.pixel(3, 3), kWhite);
}

TEST(Canvas, FillRectIsExclusive) {
    QImage image = White(6, 6);
    {
        TCanvas canvas(&image);
        canvas.Brush.Color = clBlue;
        canvas.FillRect(QRect(QPoint(1, 1), QPoint(3, 3)));
    }
    EXPECT_EQ(image.pixel(1, 1), kBlue);
    EXPECT_EQ(image.pixel(3, 3), kBlue);
    EXPECT_EQ(image.pixel(4, 4), kWhite);
}

TEST(Canvas, LineToLeavesOutItsLastPoint) {
    QImage image = White(12, 12);
    {
        TCanvas canvas(&image);
        canvas.Pen.Color = clRed;
        canvas.MoveTo(1, 1);
        canvas.LineTo(6, 1);
        canvas.MoveTo(1, 3);
        canvas.LineTo(1, 8);
        canvas.MoveTo(3, 3);
        canvas.LineTo(8, 8);
        EXPECT_EQ(canvas.PenPos(), QPoint(8, 8));
    }
    EXPECT_EQ(image.pixel(1, 1), kRed);
    EXPECT_EQ(image.pixel(5, 1), kRed);
    EXPECT_EQ(image.pixel(6, 1), kWhite);
    EXPECT_EQ(image.pixel(1, 7), kRed);
    EXPECT_EQ(image.pixel(1, 8), kWhite);
    EXPECT_EQ(image.pixel(3, 3), kRed);
    EXPECT_EQ(image.pixel(7, 7), kRed);
    EXPECT_EQ(image.pixel(8, 8), kWhite);
}

TEST(Canvas, PolylineJoinsSegmentsWithoutTheLastPoint) {
    QImage image = White(10, 10);
    {
        TCanvas canvas(&image);
        canvas.Pen.Color = clRed;
        canvas.Polyline({QPoint(1, 5), QPoint(1, 1), QPoint(5, 1)});
    }
    EXPECT_EQ(image.pixel(1, 5), kRed);
    EXPECT_EQ(image.pixel(1, 1), kRed);
    EXPECT_EQ(image.pixel(4, 1), kRed);
    EXPECT_EQ(image.pixel(5, 1), kWhite);
}

TEST(Canvas, PixelsReadAndWrite) {
    QImage image = White(4, 4);
    TCanvas canvas(&image);
    canvas.SetPixel(2, 1, RGB(10, 20, 30));
    EXPECT_EQ(canvas.Pixel(2, 1), RGB(10, 20, 30));
    EXPECT_EQ(canvas.Pixel(0, 0), clWhite);
    EXPECT_EQ(canvas.Pixel(9, 9), clNone);
}

int CountInk(const QImage& image, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixel(x, y) != kWhite;
        }
    }
    return count;
}

TEST(Canvas, DrawTextUnderlinesThePrefixedLetter) {
    QImage plain = White(80, 20);
    QImage prefixed = White(80, 20);
    QRect measured(0, 0, 0, 0);
    {
        TCanvas canvas(&plain);
        canvas.Brush.Style = bsClear;
        canvas.Font().SetColor(clBlack);
        QRect r(0, 0, 80, 20);
        canvas.DrawText(QStringLiteral("Hilfe"), r, DT_SINGLELINE | DT_NOPREFIX);
    }
    {
        TCanvas canvas(&prefixed);
        canvas.Brush.Style = bsClear;
        canvas.Font().SetColor(clBlack);
        QRect r(0, 0, 80, 20);
        canvas.DrawText(QStringLiteral("&Hilfe"), r, DT_SINGLELINE);
        canvas.DrawText(QStringLiteral("&Hilfe"), measured, DT_SINGLELINE | DT_CALCRECT);
    }
    // Same letters; the only difference is the underline below the first one.
    const int width = measured.width();
    ASSERT_GT(width, 10);
    EXPECT_GT(CountInk(prefixed, QRect(0, 0, width / 3, 20)),
              CountInk(plain, QRect(0, 0, width / 3, 20)));
    EXPECT_EQ(CountInk(prefixed, QRect(width / 2, 0, 80 - width / 2, 20)),
              CountInk(plain, QRect(width / 2, 0, 80 - width / 2, 20)));
}

TEST(Canvas, DrawTextMeasuresWithoutPrefixCharacters) {
    QImage image = White(4, 4);
    TCanvas canvas(&image);
    QRect withPrefix(0, 0, 0, 0);
    QRect without(0, 0, 0, 0);
    const int height =
        canvas.DrawText(QStringLiteral("&Schließen"), withPrefix, DT_SINGLELINE | DT_CALCRECT);
    canvas.DrawText(QStringLiteral("Schließen"), without, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(withPrefix.width(), without.width());
    EXPECT_EQ(height, withPrefix.height());
    EXPECT_GT(height, 0);
}

// Measurements are remembered per font, text and flags: none of them may answer for another.
TEST(Canvas, DrawTextMeasuresEachFontAndTextOnItsOwn) {
    QImage image = White(4, 4);
    TCanvas canvas(&image);
    const auto width = [&canvas](const QString& text, int size, bool bold, unsigned flags) {
        canvas.Font().SetSize(size);
        canvas.Font().SetStyle(bold ? TFontStyles(fsBold) : TFontStyles());
        QRect r(0, 0, 0, 0);
        canvas.DrawText(text, r, flags | DT_CALCRECT);
        return r.width();
    };
    const QString text = QStringLiteral("Wwwwwwwwww&w");
    const int small = width(text, 8, false, DT_SINGLELINE);
    EXPECT_GT(width(text, 16, false, DT_SINGLELINE), small);
    EXPECT_GT(width(text, 8, true, DT_SINGLELINE), small);
    EXPECT_GT(width(text, 8, false, DT_SINGLELINE | DT_NOPREFIX), small);
    EXPECT_GT(width(text + u'w', 8, false, DT_SINGLELINE), small);
    EXPECT_EQ(width(text, 8, false, DT_SINGLELINE), small);
}

TEST(Canvas, DrawTextCentresVertically) {
    QImage image = White(100, 40);
    {
        TCanvas canvas(&image);
        canvas.Brush.Style = bsClear;
        canvas.Font().SetColor(clBlack);
        QRect r(0, 0, 100, 40);
        canvas.DrawText(QStringLiteral("XXXX"), r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    }
    EXPECT_EQ(CountInk(image, QRect(0, 0, 100, 12)), 0);
    EXPECT_EQ(CountInk(image, QRect(0, 28, 100, 12)), 0);
    EXPECT_EQ(CountInk(image, QRect(0, 0, 30, 40)), 0);
    EXPECT_GT(CountInk(image, QRect(30, 12, 40, 16)), 0);
}

TEST(Canvas, CopyRectAppliesRasterOperations) {
    QImage dest(2, 1, QImage::Format_RGB32);
    dest.setPixel(0, 0, qRgb(0xF0, 0x0F, 0xFF));
    dest.setPixel(1, 0, qRgb(0xF0, 0x0F, 0xFF));
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(0x3C, 0x3C, 0x00));
    source.setPixel(1, 0, qRgb(0x3C, 0x3C, 0x00));
    TCanvas canvas(&dest);
    canvas.CopyMode = cmSrcAnd;
    canvas.CopyRect(QRect(0, 0, 1, 1), source, QRect(0, 0, 1, 1));
    canvas.CopyMode = cmSrcPaint;
    canvas.CopyRect(QRect(1, 0, 1, 1), source, QRect(1, 0, 1, 1));
    canvas.Release();
    EXPECT_EQ(dest.pixel(0, 0), qRgb(0x30, 0x0C, 0x00));
    EXPECT_EQ(dest.pixel(1, 0), qRgb(0xFC, 0x3F, 0xFF));
}

TEST(Prefix, StripsAmpersandsAndFindsTheAccessKey) {
    const TPrefixedText t = StripPrefix(QStringLiteral("&E-Mail && mehr"));
    EXPECT_EQ(t.Text, QStringLiteral("E-Mail & mehr"));
    EXPECT_EQ(t.UnderlineAt, 0);
    EXPECT_EQ(t.AccessKey, QChar(u'E'));
    EXPECT_TRUE(IsAccel(u'e', QStringLiteral("&E-Mail")));
    EXPECT_FALSE(IsAccel(u'm', QStringLiteral("&E-Mail")));
    EXPECT_FALSE(IsAccel(u'a', QStringLiteral("A && B")));
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
