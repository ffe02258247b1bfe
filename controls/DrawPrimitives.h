// Colour arithmetic and the drawing operations glow faces are built from: the two-half gradient
// fill, rounded and segment outlines, the drop-down arrow and the banded gradient.
#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QRectF>

#include "GdiPlus.h"
#include "Types.h"

namespace vx {

class TCanvas;

namespace gdip {
Q_NAMESPACE

enum TGDIPGradient { ggRadial, ggVertical, ggDiagonalForward, ggDiagonalBackward };
Q_ENUM_NS(TGDIPGradient)

enum TAntiAlias { aaNone, aaClearType, aaAntiAlias };
Q_ENUM_NS(TAntiAlias)

}  // namespace gdip

// Rectangles here are (Left, Top, Right, Bottom) with right and bottom exclusive, held in a
// QRect through QRect(QPoint(L, T), QPoint(R - 1, B - 1)); these give the edges back.
inline int RectRight(const QRect& r) {
    return r.left() + r.width();
}
inline int RectBottom(const QRect& r) {
    return r.top() + r.height();
}
inline QRect RectLTRB(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

TArgb ToOpaqueArgb(TColor color);
TColor DarkenColor(TColor color, int percent);
TColor DarkenColorRGB(TColor color, int percentR, int percentG, int percentB);
// Percent is the share of color1; at 100 or more color1 comes back as it is (a system colour
// stays one), at 0 or less color2 does.
TColor MixColors(TColor color1, TColor color2, int percent);

// Where one half of a glow face is shaded: the rectangles handed to the fills (right and bottom
// passed as width and height, as the faces always have), the gradient rectangle of the linear
// modes, and the ellipse and centre point of the radial mode.
struct TGlowHalfGeometry {
    QRectF Fill;
    QRectF LinearRect;
    QRectF Ellipse;
    QPoint Centre;
};
TGlowHalfGeometry GlowHalfGeometry(const QRect& rect, bool upper);

void FillGlowHalf(TGPGraphics& graphics, const QRect& rect, bool upper,
                  gdip::TGDIPGradient gradient, TColor baseColor, TColor accentColor);
void DrawRoundedOutline(TGPGraphics& graphics, TColor color, int x, int y, int w, int h, int radius,
                        bool dotted);
void DrawLeftSegmentOutline(TGPGraphics& graphics, TColor color, int x, int y, int w, int h,
                            int radius);
void DrawMiddleSegmentOutline(TGPGraphics& graphics, TColor color, int x, int y, int w, int h,
                              int radius, bool hot);
void DrawRightSegmentOutline(TGPGraphics& graphics, TColor color, int x, int y, int w, int h,
                             int radius, bool hot);
void DrawDropDownArrow(TCanvas& canvas, QPoint point, TColor arrowColor, bool pointsDown,
                       TColor edgeColor);
void FillBandedGradient(TCanvas& canvas, TColor fromColor, TColor toColor, bool horizontal,
                        const QRect& rect, int steps);

}  // namespace vx
