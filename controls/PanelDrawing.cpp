#include "PanelDrawing.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Colors.h"

namespace vx {

namespace {

// Round half to even, as the drawing steps require (the default floating-point rounding mode).
int RoundEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

struct TBandSteps {
    int Red, Green, Blue;
    double StepRed, StepGreen, StepBlue;

    TBandSteps(TColor from, TColor to, int steps) {
        const std::uint32_t a = ColorToRGB(from);
        const std::uint32_t b = ColorToRGB(to);
        Red = GetRValue(a);
        Green = GetGValue(a);
        Blue = GetBValue(a);
        StepRed = (GetRValue(b) - Red) / static_cast<double>(steps);
        StepGreen = (GetGValue(b) - Green) / static_cast<double>(steps);
        StepBlue = (GetBValue(b) - Blue) / static_cast<double>(steps);
    }
    TColor Band(int i) const {
        return RGB(Red + RoundEven(i * StepRed), Green + RoundEven(i * StepGreen),
                   Blue + RoundEven(i * StepBlue));
    }
};

void SetPenAndBrush(TCanvas& canvas, TColor color) {
    canvas.Pen.Color = color;
    canvas.Pen.Style = psSolid;
    canvas.Brush.Color = color;
    canvas.Brush.Style = bsSolid;
}

enum class TBandEnd { Clipped, Free };

void DrawBands(TCanvas& canvas, TColor from, TColor to, int steps, const TEdgeRect& r,
               bool horizontal, TBandEnd end) {
    steps = std::max(steps, 1);
    const TBandSteps colors(from, to, steps);
    const double bw =
        (horizontal ? r.Right - r.Left : r.Bottom - r.Top) / static_cast<double>(steps);
    const int extent =
        end == TBandEnd::Clipped ? static_cast<int>(std::trunc(bw)) + 1 : RoundEven(bw) + 1;
    QPainter& p = canvas.Painter();
    TColor color = colors.Band(0);
    for (int i = 0; i < steps; ++i) {
        color = colors.Band(i);
        const int offset = static_cast<std::uint16_t>(RoundEven(i * bw));
        const QColor qcolor(GetRValue(color), GetGValue(color), GetBValue(color));
        if (horizontal) {
            const int x0 = r.Left + offset;
            int x1 = x0 + extent;
            if (end == TBandEnd::Clipped) {
                x1 = std::min(r.Right, x1);
            }
            if (x1 > x0 && r.Bottom > r.Top) {
                p.fillRect(QRect(x0, r.Top, x1 - x0, r.Bottom - r.Top), qcolor);
            }
        } else {
            const int y0 = r.Top + offset;
            int y1 = y0 + extent;
            if (end == TBandEnd::Clipped) {
                y1 = std::min(r.Bottom, y1);
            }
            if (y1 > y0 && r.Right > r.Left) {
                p.fillRect(QRect(r.Left, y0, r.Right - r.Left, y1 - y0), qcolor);
            }
        }
    }
    SetPenAndBrush(canvas, color);
}

}  // namespace

void DrawPanelGradient(TCanvas& canvas, TColor from, TColor to, int steps, const TEdgeRect& rect,
                       bool horizontal) {
    DrawBands(canvas, from, to, steps, rect, horizontal, TBandEnd::Clipped);
}

void DrawToolPanelGradient(TCanvas& canvas, TColor from, TColor to, int steps,
                           const TEdgeRect& rect, bool horizontal) {
    TEdgeRect r = rect;
    if (horizontal) {
        --r.Right;
    } else {
        --r.Bottom;
    }
    DrawBands(canvas, from, to, steps, r, horizontal, TBandEnd::Free);
}

TColor BlendColor(TColor a, TColor b, int percent) {
    if (percent == 100) {
        return a;
    }
    const std::uint32_t ca = ColorToRGB(a);
    const std::uint32_t cb = ColorToRGB(b);
    const double p = percent / 100.0;
    const auto mix = [p](int x, int y) { return RoundEven(p * x + (1 - p) * y); };
    return RGB(mix(GetRValue(ca), GetRValue(cb)), mix(GetGValue(ca), GetGValue(cb)),
               mix(GetBValue(ca), GetBValue(cb)));
}

void DrawBevelFrame(TCanvas& canvas, TEdgeRect& rect, TColor topColor, TColor bottomColor,
                    int width) {
    // Two polylines per ring, each without its last point: the top/left one covers column Left
    // from Bottom up and row Top up to Right - 1; the bottom/right one column Right from Top
    // down and row Bottom back to Left, over the corners the first one reached.
    QPainter& p = canvas.Painter();
    const QColor top = ToQColor(topColor);
    const QColor bottom = ToQColor(bottomColor);
    --rect.Right;
    --rect.Bottom;
    for (int i = 0; i < width; ++i) {
        const TEdgeRect& r = rect;
        if (r.Bottom >= r.Top && r.Right >= r.Left) {
            p.fillRect(QRect(r.Left, r.Top, 1, r.Bottom - r.Top + 1), top);
            p.fillRect(QRect(r.Left, r.Top, r.Right - r.Left, 1), top);
            p.fillRect(QRect(r.Right, r.Top, 1, r.Bottom - r.Top + 1), bottom);
            p.fillRect(QRect(r.Left, r.Bottom, r.Right - r.Left + 1, 1), bottom);
        }
        rect.Inflate(-1, -1);
    }
    ++rect.Right;
    ++rect.Bottom;
    canvas.Pen.Color = bottomColor;
    canvas.Pen.Width = 1;
}

}  // namespace vx
