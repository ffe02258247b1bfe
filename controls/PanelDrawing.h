// Drawing steps shared by the gradient panel, its caption bar and the tool panel: banded
// gradients, colour blending and bevel frames, with the classic rectangle convention.
#pragma once

#include <QRect>

#include "Canvas.h"
#include "Types.h"

namespace vx {

// A rectangle by its edges, right and bottom exclusive, as the panels' drawing steps move them.
struct TEdgeRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    static TEdgeRect Of(const QRect& rect) {
        return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    }
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    void Inflate(int dx, int dy) {
        Left -= dx;
        Top -= dy;
        Right += dx;
        Bottom += dy;
    }
};

// Bands of `steps` colours from `from` towards `to` (the last band one step short of `to`); each
// band is trunc(width) + 1 pixels, clipped at the far edge, later bands over earlier ones.
void DrawPanelGradient(TCanvas& canvas, TColor from, TColor to, int steps, const TEdgeRect& rect,
                       bool horizontal);
// The tool panel's form: the far edge first moves in by one pixel, and each band is
// round(width) + 1 pixels without clipping.
void DrawToolPanelGradient(TCanvas& canvas, TColor from, TColor to, int steps,
                           const TEdgeRect& rect, bool horizontal);

// Mixes `percent` of `a` with the rest of `b`, channel by channel; 100 returns `a` unchanged.
TColor BlendColor(TColor a, TColor b, int percent);

// A 3-D frame `width` pixels wide inside `rect` (top and left in `topColor`, bottom and right in
// `bottomColor`), shrinking `rect` by that width on every side.
void DrawBevelFrame(TCanvas& canvas, TEdgeRect& rect, TColor topColor, TColor bottomColor,
                    int width);

}  // namespace vx
