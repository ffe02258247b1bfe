#include "DrawPrimitives.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Canvas.h"
#include "Colors.h"

namespace vx {

namespace {

// Rounds to the nearest integer with halves going to the even neighbour.
int RoundEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

int DarkenChannel(int value, int percent) {
    if (value == 0) {
        return std::min(255, std::max(0, percent));
    }
    // The product over 100 is exact for halves, so they round to even as intended.
    const int factor = std::min(100, percent + 100);
    return std::clamp(RoundEven(static_cast<double>(factor * value) / 100.0), 0, 255);
}

constexpr TColor kSeparatorBase = clWhite;
constexpr int kSeparatorDarken = -10;
constexpr int kSegmentEdgeDarken = -5;

}  // namespace

TArgb ToOpaqueArgb(TColor color) {
    const std::uint32_t rgb = ColorToRGB(color);
    return 0xFF000000u | (static_cast<TArgb>(GetRValue(rgb)) << 16) |
           (static_cast<TArgb>(GetGValue(rgb)) << 8) | static_cast<TArgb>(GetBValue(rgb));
}

TColor DarkenColor(TColor color, int percent) {
    return DarkenColorRGB(color, percent, percent, percent);
}

TColor DarkenColorRGB(TColor color, int percentR, int percentG, int percentB) {
    const std::uint32_t rgb = ColorToRGB(color);
    return RGB(DarkenChannel(GetRValue(rgb), percentR), DarkenChannel(GetGValue(rgb), percentG),
               DarkenChannel(GetBValue(rgb), percentB));
}

TColor MixColors(TColor color1, TColor color2, int percent) {
    if (percent >= 100) {
        return color1;
    }
    if (percent <= 0) {
        return color2;
    }
    const std::uint32_t c1 = ColorToRGB(color1);
    const std::uint32_t c2 = ColorToRGB(color2);
    const double x = percent / 100.0;
    const auto mix = [x](int a, int b) { return RoundEven(x * a + (1 - x) * b); };
    return RGB(mix(GetRValue(c1), GetRValue(c2)), mix(GetGValue(c1), GetGValue(c2)),
               mix(GetBValue(c1), GetBValue(c2)));
}

TGlowHalfGeometry GlowHalfGeometry(const QRect& rect, bool upper) {
    const int l = rect.left();
    const int t = rect.top();
    const int r = RectRight(rect);
    const int b = RectBottom(rect);
    const int halfW = (r - l) / 2;
    const int halfH = (b - t) / 2;
    TGlowHalfGeometry g;
    // The right and bottom coordinates go where GDI+ expects a width and a height; the faces
    // have always been drawn this way, so the fills reach past the half (the next fill covers it).
    g.Fill = QRectF(l, t, r, b);
    g.LinearRect = QRectF(l, t, r - l, b - t);
    g.Ellipse = QRectF(l, upper ? t - halfH + 2 : t, r, b);
    g.Centre = QPoint(l + halfW, upper ? t : b);
    return g;
}

void FillGlowHalf(TGPGraphics& graphics, const QRect& rect, bool upper,
                  gdip::TGDIPGradient gradient, TColor baseColor, TColor accentColor) {
    const TGlowHalfGeometry g = GlowHalfGeometry(rect, upper);
    const TArgb base = ToOpaqueArgb(baseColor);
    const TArgb accent = ToOpaqueArgb(accentColor);
    {
        const TGPSolidBrush solid(base);
        graphics.FillRectangle(solid, g.Fill.x(), g.Fill.y(), g.Fill.width(), g.Fill.height());
    }
    if (gradient == gdip::ggRadial) {
        TGPGraphicsPath path;
        path.AddEllipse(g.Ellipse.x(), g.Ellipse.y(), g.Ellipse.width(), g.Ellipse.height());
        TGPPathGradientBrush brush(path);
        brush.SetCenterPoint(g.Centre);
        brush.SetCenterColor(accent);
        int count = 1;
        brush.SetSurroundColors(&base, count);
        graphics.FillRectangle(brush, g.Fill.x(), g.Fill.y(), g.Fill.width(), g.Fill.height());
        return;
    }
    const TLinearGradientMode mode = gradient == gdip::ggVertical ? LinearGradientModeVertical
                                     : gradient == gdip::ggDiagonalForward
                                         ? LinearGradientModeForwardDiagonal
                                         : LinearGradientModeBackwardDiagonal;
    const TGPLinearGradientBrush brush(g.LinearRect, upper ? base : accent, upper ? accent : base,
                                       mode, WrapModeTile);
    graphics.FillRectangle(brush, g.Fill.x(), g.Fill.y(), g.Fill.width(), g.Fill.height());
}

void DrawRoundedOutline(TGPGraphics& graphics, TColor color, int x, int y, int w, int h, int radius,
                        bool dotted) {
    const float X = x;
    const float Y = y;
    const float W = w;
    const float H = h;
    const float r = radius;
    const float d = 2 * r;
    TGPPen pen(ToOpaqueArgb(color), 1.0f);
    if (dotted) {
        pen.SetDashStyle(DashStyleDot);
    }
    TGPGraphicsPath path;
    path.AddLine(X + r, Y, X + W - d, Y);
    path.AddArc(X + W - d, Y, d, d, 270, 90);
    path.AddLine(X + W, Y + r, X + W, Y + H - d);
    path.AddArc(X + W - d, Y + H - d, d, d, 0, 90);
    path.AddLine(X + W - d, Y + H, X + r, Y + H);
    path.AddArc(X, Y + H - d, d, d, 90, 90);
    path.AddLine(X, Y + H - d, X, Y + r);
    path.AddArc(X, Y, d, d, 180, 90);
    path.CloseFigure();
    graphics.DrawPath(pen, path);
}

namespace {

void DrawLine(TGPGraphics& graphics, TColor color, float x1, float y1, float x2, float y2) {
    const TGPPen pen(ToOpaqueArgb(color), 1.0f);
    TGPGraphicsPath path;
    path.AddLine(x1, y1, x2, y2);
    graphics.DrawPath(pen, path);
}

// The line at X that parts a segment from its left neighbour.
void DrawSeparator(TGPGraphics& graphics, TColor color, int x, int y, int h, bool hot) {
    if (hot) {
        DrawLine(graphics, DarkenColor(color, kSegmentEdgeDarken), x, y, x, y + h);
    } else {
        DrawLine(graphics, DarkenColor(kSeparatorBase, kSeparatorDarken), x, y + 2, x, y + h - 2);
    }
}

}  // namespace

void DrawLeftSegmentOutline(TGPGraphics& graphics, TColor color, int x, int y, int w, int h,
                            int radius) {
    const float X = x;
    const float Y = y;
    const float W = w;
    const float H = h;
    const float r = radius;
    const float d = 2 * r;
    {
        const TGPPen pen(ToOpaqueArgb(color), 1.0f);
        TGPGraphicsPath path;
        path.AddLine(X + W, Y + H, X + r, Y + H);
        path.AddArc(X, Y + H - d, d, d, 90, 90);
        path.AddLine(X, Y + H - d, X, Y + r);
        path.AddArc(X, Y, d, d, 180, 90);
        path.AddLine(X + r, Y, X + W, Y);
        graphics.DrawPath(pen, path);
    }
    DrawLine(graphics, DarkenColor(color, kSegmentEdgeDarken), X + W, Y, X + W, Y + H);
}

void DrawMiddleSegmentOutline(TGPGraphics& graphics, TColor color, int x, int y, int w, int h, int,
                              bool hot) {
    DrawLine(graphics, color, x - 1, y + h, x + w, y + h);
    DrawLine(graphics, color, x - 1, y, x + w, y);
    DrawLine(graphics, DarkenColor(color, kSegmentEdgeDarken), x + w, y, x + w, y + h);
    DrawSeparator(graphics, color, x, y, h, hot);
}

void DrawRightSegmentOutline(TGPGraphics& graphics, TColor color, int x, int y, int w, int h,
                             int radius, bool hot) {
    const float X = x;
    const float Y = y;
    const float W = w;
    const float H = h;
    const float r = radius;
    const float d = 2 * r;
    {
        const TGPPen pen(ToOpaqueArgb(color), 1.0f);
        TGPGraphicsPath path;
        path.AddLine(X, Y, X + W - d, Y);
        path.AddArc(X + W - d, Y, d, d, 270, 90);
        path.AddLine(X + W, Y + r, X + W, Y + H - d);
        path.AddArc(X + W - d, Y + H - d, d, d, 0, 90);
        path.AddLine(X + W, Y + H, X, Y + H);
        graphics.DrawPath(pen, path);
    }
    DrawSeparator(graphics, color, x, y, h, hot);
}

void DrawDropDownArrow(TCanvas& canvas, QPoint point, TColor arrowColor, bool pointsDown,
                       TColor edgeColor) {
    const int x = point.x();
    const int y = point.y();
    canvas.Pen.Color = arrowColor;
    canvas.Pen.Width = 1;
    canvas.Pen.Style = psSolid;
    if (pointsDown) {
        canvas.MoveTo(x, y);
        canvas.LineTo(x + 5, y);
        canvas.MoveTo(x + 1, y + 1);
        canvas.LineTo(x + 4, y + 1);
        canvas.SetPixel(x + 2, y + 2, arrowColor);
        canvas.SetPixel(x, y + 1, edgeColor);
        canvas.SetPixel(x + 4, y + 1, edgeColor);
        canvas.SetPixel(x + 1, y + 2, edgeColor);
        canvas.SetPixel(x + 3, y + 2, edgeColor);
        canvas.SetPixel(x + 2, y + 3, edgeColor);
    } else {
        canvas.MoveTo(x, y);
        canvas.LineTo(x, y + 5);
        canvas.MoveTo(x + 1, y + 1);
        canvas.LineTo(x + 1, y + 4);
        canvas.SetPixel(x + 2, y + 2, arrowColor);
        canvas.SetPixel(x + 2, y + 1, edgeColor);
        canvas.SetPixel(x + 1, y + 4, edgeColor);
        canvas.SetPixel(x + 3, y + 2, edgeColor);
    }
}

void FillBandedGradient(TCanvas& canvas, TColor fromColor, TColor toColor, bool horizontal,
                        const QRect& rect, int steps) {
    if (steps == 0) {
        steps = 1;
    }
    const std::uint32_t from = ColorToRGB(fromColor);
    const std::uint32_t to = ColorToRGB(toColor);
    const double dR = (GetRValue(to) - GetRValue(from)) / static_cast<double>(steps);
    const double dG = (GetGValue(to) - GetGValue(from)) / static_cast<double>(steps);
    const double dB = (GetBValue(to) - GetBValue(from)) / static_cast<double>(steps);
    const int l = rect.left();
    const int t = rect.top();
    const int r = RectRight(rect);
    const int b = RectBottom(rect);
    const double band = (horizontal ? r - l : b - t) / static_cast<double>(steps);
    const int bandWidth = RoundEven(band);
    for (int i = 0; i < steps; ++i) {
        const TColor color =
            RGB(GetRValue(from) + RoundEven(i * dR), GetGValue(from) + RoundEven(i * dG),
                GetBValue(from) + RoundEven(i * dB));
        canvas.Pen.Color = color;
        canvas.Pen.Style = psSolid;
        canvas.Pen.Width = 1;
        canvas.Brush.Color = color;
        canvas.Brush.Style = bsSolid;
        const int offset = static_cast<std::uint16_t>(RoundEven(i * band));
        if (horizontal) {
            canvas.Rectangle(l + offset, t, l + offset + bandWidth + 1, b);
        } else {
            canvas.Rectangle(l, t + offset, r, t + offset + bandWidth + 1);
        }
    }
}

}  // namespace vx
