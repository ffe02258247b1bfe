#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <vector>

#include "Canvas.h"
#include "Colors.h"
#include "DrawPrimitives.h"

namespace vx {
namespace {

QImage Blank(int w, int h, QRgb fill = qRgb(0, 255, 0)) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QRgb Rgb(TColor c) {
    const std::uint32_t rgb = ColorToRGB(c);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TEST(ColourArithmetic, DarkenMatchesTheAppearanceDefaults) {
    EXPECT_EQ(DarkenColorRGB(16117985, -10, -10, 0), 16111818);
    EXPECT_EQ(DarkenColorRGB(16372402, -10, -10, 0), 16367008);
    EXPECT_EQ(DarkenColorRGB(16107693, -10, -10, 0), 16102556);
    EXPECT_EQ(DarkenColorRGB(16775412, -10, -10, 0), 16768988);
    EXPECT_EQ(DarkenColorRGB(16777215, -5, -5, -5), 15921906);
    EXPECT_EQ(DarkenColorRGB(12632256, -5, -5, -5), 11974326);
}

TEST(ColourArithmetic, DarkenEdges) {
    EXPECT_EQ(DarkenColor(clBlack, -10), clBlack);
    EXPECT_EQ(DarkenColorRGB(16711680, -10, -10, 0), 16711680);
    EXPECT_EQ(DarkenColor(0x102030, 10), 0x102030);
    // A zero channel takes a positive percentage as its value.
    EXPECT_EQ(DarkenColor(0x00FF00, 10), 0x0AFF0A);
    // Halves go to the even neighbour: 0.9 × 225 = 202.5 → 202, 0.9 × 235 = 211.5 → 212.
    EXPECT_EQ(GetRValue(DarkenColor(RGB(225, 0, 0), -10)), 202);
    EXPECT_EQ(GetRValue(DarkenColor(RGB(235, 0, 0), -10)), 212);
    // Out-of-range percentages stay inside a channel instead of spilling into the next one.
    EXPECT_EQ(DarkenColor(0x808080, -150), clBlack);
    EXPECT_EQ(DarkenColor(clBlack, 300), clWhite);
}

TEST(ColourArithmetic, MixWorkedValuesAndBounds) {
    EXPECT_EQ(MixColors(16117985, 16777215, 20), 16645369);
    EXPECT_EQ(MixColors(16117985, 16777215, 40), 16513523);
    EXPECT_EQ(MixColors(16117985, 16777215, 60), 16381677);
    EXPECT_EQ(MixColors(16117985, 16777215, 80), 16249831);
    EXPECT_EQ(MixColors(clBtnFace, clWhite, 100), clBtnFace);
    EXPECT_EQ(MixColors(clWhite, clHighlight, 0), clHighlight);
    EXPECT_EQ(MixColors(clBtnFace, clWhite, 150), clBtnFace);
    const TColor mixed = MixColors(clBtnFace, clBlack, 50);
    EXPECT_EQ(mixed & clSystemColor, 0);
    // 0.5 × 1 + 0.5 × 0 = 0.5 rounds to 0, 0.5 × 3 = 1.5 to 2.
    EXPECT_EQ(MixColors(RGB(1, 3, 0), clBlack, 50), RGB(0, 2, 0));
}

TEST(ColourArithmetic, OpaqueArgbSwapsRedAndBlue) {
    EXPECT_EQ(ToOpaqueArgb(0x00332211), 0xFF112233u);
    EXPECT_EQ(ToOpaqueArgb(clBlack), 0xFF000000u);
    const std::uint32_t face = ColorToRGB(clBtnFace);
    EXPECT_EQ(ToOpaqueArgb(clBtnFace) & 0xFFu, GetBValue(face));
}

TEST(GlowHalf, RadialGeometryOfATwentyTwoPixelButton) {
    const TGlowHalfGeometry upper = GlowHalfGeometry(RectLTRB(0, 0, 154, 11), true);
    EXPECT_EQ(upper.Ellipse, QRectF(0, -3, 154, 11));
    EXPECT_EQ(upper.Centre, QPoint(77, 0));
    EXPECT_EQ(upper.Fill, QRectF(0, 0, 154, 11));
    const TGlowHalfGeometry lower = GlowHalfGeometry(RectLTRB(0, 10, 154, 22), false);
    EXPECT_EQ(lower.Ellipse, QRectF(0, 10, 154, 22));
    EXPECT_EQ(lower.Centre, QPoint(77, 22));
    // Right and bottom stand where width and height belong.
    EXPECT_EQ(lower.Fill, QRectF(0, 10, 154, 22));
    EXPECT_EQ(lower.LinearRect, QRectF(0, 10, 154, 12));
}

TEST(GlowHalf, VerticalHalvesRunFromTheOuterEdgeToTheMiddle) {
    QImage image = Blank(40, 22);
    {
        TCanvas canvas(&image);
        TGPGraphics g(canvas);
        FillGlowHalf(g, RectLTRB(0, 10, 40, 22), false, gdip::ggVertical, 12632256, 16777215);
        FillGlowHalf(g, RectLTRB(0, 0, 40, 11), true, gdip::ggVertical, 0x000000, 0xA0A0A0);
    }
    // Upper: base at row 0, then 160 × row / 11, halves to even (row 11 would be the accent).
    EXPECT_EQ(image.pixel(5, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 5), qRgb(73, 73, 73));
    EXPECT_EQ(image.pixel(5, 10), qRgb(145, 145, 145));
    // Lower: accent (white) at row 10 is covered; row 11 is 1/12 of the way to 192.
    EXPECT_EQ(image.pixel(5, 11), qRgb(250, 250, 250));
    EXPECT_EQ(image.pixel(5, 16), qRgb(224, 224, 224));
    EXPECT_EQ(image.pixel(5, 21), qRgb(197, 197, 197));
    EXPECT_EQ(image.pixel(39, 21), image.pixel(0, 21));
}

TEST(GlowHalf, RadialHalfShadesInsideItsEllipseOnly) {
    const TColor base = RGB(0, 0, 200);
    const TColor accent = RGB(200, 0, 0);
    QImage image = Blank(154, 22);
    {
        TCanvas canvas(&image);
        TGPGraphics g(canvas);
        FillGlowHalf(g, RectLTRB(0, 0, 154, 11), true, gdip::ggRadial, base, accent);
    }
    // The centre point (77, 0) carries the accent; the ellipse ends at y = 8.
    EXPECT_EQ(image.pixel(77, 0), Rgb(accent));
    EXPECT_EQ(image.pixel(77, 9), Rgb(base));
    EXPECT_EQ(image.pixel(77, 10), Rgb(base));
    EXPECT_EQ(image.pixel(0, 0), Rgb(base));
    // Along the ray downwards the accent fades: 5.5 of 8 units at row 4 has more base than row 1.
    EXPECT_GT(qRed(image.pixel(77, 1)), qRed(image.pixel(77, 4)));
    EXPECT_GT(qRed(image.pixel(77, 4)), qRed(image.pixel(77, 7)));
    // The shading is symmetric about the centre point's column.
    EXPECT_EQ(image.pixel(77 - 30, 3), image.pixel(77 + 30, 3));
    // Outside the fill rectangle nothing is drawn.
    EXPECT_EQ(image.pixel(77, 11), qRgb(0, 255, 0));
}

TEST(GlowHalf, DiagonalHalvesTileBeyondTheirRectangle) {
    QImage image = Blank(20, 10);
    {
        TCanvas canvas(&image);
        TGPGraphics g(canvas);
        // The ramp spans x = 5 … 15; the fill reaches x = 19 (right passed as width).
        FillGlowHalf(g, RectLTRB(5, 0, 15, 10), true, gdip::ggDiagonalForward, clBlack,
                     RGB(200, 200, 200));
    }
    EXPECT_EQ(image.pixel(5, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(10, 5), qRgb(100, 100, 100));
    EXPECT_EQ(image.pixel(15, 0), qRgb(100, 100, 100));
    // (19, 9): (1.4 + 0.9) / 2 = 1.15 wraps to 0.15.
    EXPECT_EQ(image.pixel(19, 9), qRgb(30, 30, 30));
    EXPECT_EQ(image.pixel(4, 0), qRgb(0, 255, 0));
}

TEST(Outlines, PixelCentresLieOnIntegerCoordinates) {
    QImage image = Blank(30, 12, qRgb(255, 255, 255));
    {
        TCanvas canvas(&image);
        TGPGraphics g(canvas);
        g.SetSmoothingMode(SmoothingModeAntiAlias);
        DrawRoundedOutline(g, clRed, 0, 0, 29, 11, 3, false);
    }
    // Straight edges cover whole rows and columns: row 0, row 11, columns 0 and 29.
    EXPECT_EQ(image.pixel(15, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(15, 11), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(0, 6), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(29, 6), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(15, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 6), qRgb(255, 255, 255));
    // The rounded corners leave the corner pixels untouched.
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(29, 11), qRgb(255, 255, 255));
}

TEST(Outlines, DottedAndSquareOutlines) {
    QImage image = Blank(30, 12, qRgb(255, 255, 255));
    {
        TCanvas canvas(&image);
        TGPGraphics g(canvas);
        DrawRoundedOutline(g, clBlack, 0, 0, 29, 11, 0, true);
    }
    int dark = 0;
    for (int x = 2; x < 28; ++x) {
        dark += image.pixel(x, 0) == qRgb(0, 0, 0) ? 1 : 0;
    }
    EXPECT_GT(dark, 8);
    EXPECT_LT(dark, 18);
    // With radius 0 the straight sides still meet at the corner.
    QImage square = Blank(30, 12, qRgb(255, 255, 255));
    {
        TCanvas canvas(&square);
        TGPGraphics g(canvas);
        DrawRoundedOutline(g, clBlack, 0, 0, 29, 11, 0, false);
    }
    EXPECT_EQ(square.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(square.pixel(29, 11), qRgb(0, 0, 0));
}

TEST(Outlines, SegmentEdgesAndSeparators) {
    QImage image = Blank(40, 12, qRgb(255, 255, 255));
    {
        TCanvas canvas(&image);
        TGPGraphics g(canvas);
        DrawMiddleSegmentOutline(g, clRed, 10, 0, 20, 11, 3, false);
    }
    EXPECT_EQ(image.pixel(20, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(20, 11), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(30, 5), Rgb(DarkenColor(clRed, -5)));
    // Not hot: the separator leaves two pixels at each end and is light grey.
    EXPECT_EQ(image.pixel(10, 5), Rgb(DarkenColor(clWhite, -10)));
    EXPECT_EQ(image.pixel(10, 1), qRgb(255, 255, 255));
}

TEST(DropDownArrow, PointsDownAndRight) {
    QImage image = Blank(10, 10, qRgb(255, 255, 255));
    {
        TCanvas canvas(&image);
        DrawDropDownArrow(canvas, QPoint(2, 2), clBlack, true, clRed);
    }
    for (int x = 2; x <= 6; ++x) {
        EXPECT_EQ(image.pixel(x, 2), qRgb(0, 0, 0)) << x;
    }
    EXPECT_EQ(image.pixel(7, 2), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(3, 3), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 3), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(6, 3), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(4, 4), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(4, 5), qRgb(255, 0, 0));
    QImage right = Blank(10, 10, qRgb(255, 255, 255));
    {
        TCanvas canvas(&right);
        DrawDropDownArrow(canvas, QPoint(2, 2), clBlack, false, clRed);
    }
    EXPECT_EQ(right.pixel(2, 6), qRgb(0, 0, 0));
    EXPECT_EQ(right.pixel(3, 5), qRgb(0, 0, 0));
    EXPECT_EQ(right.pixel(3, 6), qRgb(255, 0, 0));
    EXPECT_EQ(right.pixel(5, 4), qRgb(255, 0, 0));
}

TEST(BandedGradient, BandsOverlapAndNeverReachTheEndColour) {
    QImage image = Blank(10, 40, qRgb(0, 255, 0));
    {
        TCanvas canvas(&image);
        FillBandedGradient(canvas, clWhite, 12632256, false, QRect(0, 0, 10, 32), 32);
    }
    EXPECT_EQ(image.pixel(5, 0), qRgb(255, 255, 255));
    // Band 31: 255 + round(31 × -63/32) = 194, not 192; it reaches one row past the rectangle.
    EXPECT_EQ(image.pixel(5, 31), qRgb(194, 194, 194));
    EXPECT_EQ(image.pixel(5, 32), qRgb(194, 194, 194));
    EXPECT_EQ(image.pixel(5, 33), qRgb(0, 255, 0));
}

TEST(BandedGradient, ZeroStepsIsOneBandAndCrowdedBandsOverwrite) {
    QImage image = Blank(12, 12, qRgb(0, 255, 0));
    {
        TCanvas canvas(&image);
        FillBandedGradient(canvas, clRed, clBlue, true, QRect(0, 0, 10, 10), 0);
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(10, 9), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(11, 0), qRgb(0, 255, 0));
    QImage crowded = Blank(12, 4, qRgb(0, 255, 0));
    {
        TCanvas canvas(&crowded);
        FillBandedGradient(canvas, clBlack, RGB(40, 0, 0), true, QRect(0, 0, 4, 4), 8);
    }
    // Eight bands on four columns: offsets 0,0,1,2,2,2,3,4 (halves to even); the last one at an
    // offset wins; the bands are one pixel wide and band 7 lies past the rectangle at x = 4.
    EXPECT_EQ(crowded.pixel(0, 0), qRgb(5, 0, 0));
    EXPECT_EQ(crowded.pixel(4, 0), qRgb(35, 0, 0));
}

// Whole rows are shaded in one go (mirrored pixels once when the centre point sits on the
// ellipse's axis); they must agree with the brush's colour at every single point.
TEST(GdiplusLayer, PathGradientRowsMatchTheColourAtEachPoint) {
    struct TCase {
        QRectF Ellipse;
        QPoint Centre;
        TArgb CentreColour;
    };
    const TCase cases[] = {
        {QRectF(0, -3, 154, 11), QPoint(77, 0), 0xFFF9D1B2},
        {QRectF(0, 10, 154, 22), QPoint(77, 21), 0xFFFFF8F4},
        {QRectF(3, 0, 41, 9), QPoint(23, 4), 0xFF102030},
        {QRectF(0, 0, 40, 12), QPoint(9, 2), 0xFF808080},
        {QRectF(-5, 0, 30, 10), QPoint(10, 9), 0x80FF0000},
    };
    for (const TCase& c : cases) {
        TGPGraphicsPath path;
        path.AddEllipse(c.Ellipse.x(), c.Ellipse.y(), c.Ellipse.width(), c.Ellipse.height());
        TGPPathGradientBrush brush(path);
        ASSERT_EQ(brush.SetCenterPoint(c.Centre), TStatus::Ok);
        ASSERT_EQ(brush.SetCenterColor(c.CentreColour), TStatus::Ok);
        const TArgb surround = 0xFFE1F0F5;
        int count = 1;
        ASSERT_EQ(brush.SetSurroundColors(&surround, count), TStatus::Ok);
        constexpr int kX0 = -8;
        constexpr int kWidth = 180;
        std::vector<QRgb> row(kWidth);
        for (int y = -4; y < 34; ++y) {
            brush.FillRow(row.data(), kX0, kWidth, y);
            for (int i = 0; i < kWidth; ++i) {
                const auto expected = brush.ColorAt(kX0 + i, y);
                ASSERT_EQ(row[i], expected ? qPremultiply(*expected) : 0u)
                    << "ellipse " << c.Ellipse.x() << "," << c.Ellipse.y() << " at " << kX0 + i
                    << "," << y;
            }
        }
    }
}

TEST(GdiplusLayer, SurroundColoursAreChecked) {
    TGPGraphicsPath path;
    path.AddEllipse(0, 0, 10, 10);
    EXPECT_EQ(path.PointCount(), 13);
    TGPPathGradientBrush brush(path);
    int count = 1;
    EXPECT_EQ(brush.SetSurroundColors(nullptr, count), TStatus::InvalidParameter);
    EXPECT_EQ(brush.GetLastStatus(), TStatus::InvalidParameter);
    const std::array<TArgb, 14> colours{};
    count = 14;
    EXPECT_EQ(brush.SetSurroundColors(colours.data(), count), TStatus::InvalidParameter);
    count = 2;
    EXPECT_EQ(brush.SetSurroundColors(colours.data(), count), TStatus::Ok);
    EXPECT_EQ(count, 2);
    // The last failure stays recorded after a success.
    EXPECT_EQ(brush.GetLastStatus(), TStatus::InvalidParameter);
}

TEST(GdiplusLayer, FailuresAreRecordedNotRaised) {
    const TGPFontFamily missing(QStringLiteral("No Such Family 1234"));
    EXPECT_EQ(missing.GetLastStatus(), TStatus::FontFamilyNotFound);
    TGPFont font(missing, 8, 0, UnitPoint);
    EXPECT_EQ(font.GetLastStatus(), TStatus::InvalidParameter);
    const TGPLinearGradientBrush flat(QRectF(0, 0, 10, 0), 0xFF000000, 0xFFFFFFFF,
                                      LinearGradientModeVertical);
    EXPECT_FALSE(flat.Valid());
    QImage image = Blank(4, 4);
    TCanvas canvas(&image);
    TGPGraphics g(canvas);
    EXPECT_EQ(g.FillRectangle(flat, 0, 0, 4, 4), TStatus::InvalidParameter);
    EXPECT_EQ(g.GetLastStatus(), TStatus::InvalidParameter);
    TGPGraphicsPath open;
    open.AddLine(0, 0, 2, 0);
    TGPPathGradientBrush notElliptic(open);
    EXPECT_FALSE(notElliptic.Valid());
}

TEST(GdiplusLayer, StartUpChecksItsVersion) {
    EXPECT_TRUE(TGdiplusStartup::Running());
    TGdiplusStartupInput input;
    input.Version = 2;
    const TGdiplusStartup wrong(input, false);
    EXPECT_EQ(wrong.Status(), TStatus::UnsupportedGdiplusVersion);
    {
        const TGdiplusStartup second;
        EXPECT_EQ(second.Status(), TStatus::Ok);
    }
    EXPECT_TRUE(TGdiplusStartup::Running());
}

TEST(GdiplusLayer, ImageRawFormatCodes) {
    QImage source(3, 2, QImage::Format_RGB32);
    source.fill(Qt::red);
    const auto decode = [&](const char* format) {
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        source.save(&out, format);
        QBuffer in(&bytes);
        in.open(QIODevice::ReadOnly);
        TGPImage image(in);
        unsigned w = 0;
        unsigned h = 0;
        image.GetWidth(w);
        image.GetHeight(h);
        EXPECT_EQ(w, 3u);
        EXPECT_EQ(h, 2u);
        return image.GetFormat();
    };
    EXPECT_EQ(decode("PNG"), ifPNG);
    EXPECT_EQ(decode("BMP"), ifBMP);
    EXPECT_EQ(ImageFormatCode(QUuid("{b96b3cb0-0728-11d3-9d7b-0000f81ef32e}")), ifGIF);
    EXPECT_EQ(ImageFormatCode(QUuid("{b96b3cb5-0728-11d3-9d7b-0000f81ef32e}")), ifIcon);
    EXPECT_EQ(ImageFormatCode(QUuid()), ifUnknown);
    QByteArray junk("not an image");
    QBuffer in(&junk);
    in.open(QIODevice::ReadOnly);
    TGPImage broken(in);
    EXPECT_EQ(broken.GetLastStatus(), TStatus::UnknownImageFormat);
    EXPECT_EQ(broken.GetFormat(), ifUnknown);
}

}  // namespace
}  // namespace vx
