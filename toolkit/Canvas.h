// A drawing surface with classic window-system rules over QPainter: no smoothing, right and
// bottom edges exclusive, LineTo leaves out its last point, DrawText with its flag set.
#pragma once

#include <QImage>
#include <QObject>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <functional>
#include <memory>
#include <optional>

#include "Font.h"
#include "Types.h"

namespace vx {

class TGraphic;

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

// Raster operations of copies; the values are the ternary codes of the classic calls.
enum TCopyMode : std::uint32_t {
    cmSrcCopy = 0x00CC0020,
    cmSrcPaint = 0x00EE0086,   // OR
    cmSrcAnd = 0x008800C6,     // AND
    cmSrcInvert = 0x00660046,  // XOR
    cmSrcErase = 0x00440328,
    cmNotSrcCopy = 0x00330008,
    cmMergePaint = 0x00BB0226,
    cmWhiteness = 0x00FF0062,
    cmBlackness = 0x00000042,
};

// DrawText flags.
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_HIDEPREFIX = 0x100000;

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = psSolid;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

// Caption text with its "&" prefixes taken out: the shown text, the underlined position (or -1)
// and the access key letter (upper-cased, or null).
struct TPrefixedText {
    QString Text;
    int UnderlineAt = -1;
    QChar AccessKey;
};
TPrefixedText StripPrefix(const QString& caption);
// Whether the key matches the access key of a caption ("&Hilfe" and 'h').
bool IsAccel(QChar key, const QString& caption);

// What the painter can still reach, in its own (logical) coordinates: its window as the world
// transform sees it, less what the clip leaves out.
QRect PaintableRect(const QPainter& painter);

class TCanvas {
  public:
    // A canvas that paints on an image it does not own; the painter starts on first use.
    explicit TCanvas(QImage* image);
    // A canvas that paints through a painter someone else runs (a control's paint).
    explicit TCanvas(QPainter* painter);
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    ~TCanvas();

    TPen Pen;
    TBrush Brush;
    TFont& Font() { return *FFont; }
    TCopyMode CopyMode = cmSrcCopy;

    QPainter& Painter();
    // Ends painting on an image canvas so the image can be read or replaced.
    void Release();
    QImage* Image() const { return FImage; }

    QPoint PenPos() const { return FPenPos; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(const QList<QPoint>& points);
    void Polygon(const QList<QPoint>& points);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const QRect& rect) {
        Rectangle(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
    }
    void FillRect(const QRect& rect);
    void FrameRect(const QRect& rect);
    void Ellipse(int left, int top, int right, int bottom);
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);

    // Pixel access needs an image canvas; on others reading yields clNone.
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    void TextOut(int x, int y, const QString& text);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);
    // Draws (or with DT_CALCRECT measures into `rect`) and returns the text height.
    int DrawText(const QString& text, QRect& rect, unsigned flags);
    // Text smoothing for the text calls; classic window text is aliased.
    bool AntialiasedText = false;

    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const QRect& rect, TGraphic& graphic);
    // Copies with CopyMode; the source is an image.
    void CopyRect(const QRect& dest, const QImage& source, const QRect& sourceRect);

    void SetClipRect(const QRect& rect);
    void SetClipRegion(const QRegion& region);
    void ExcludeClipRect(const QRect& rect);
    void ClearClip();
    QRect ClipRect();

  private:
    void ApplyPen(QPainter& p) const;
    void ApplyBrush(QPainter& p) const;
    void PlotLine(QPoint from, QPoint to);

    QImage* FImage = nullptr;
    QPainter* FPainter = nullptr;
    std::unique_ptr<QPainter> FOwnPainter;
    std::unique_ptr<TFont> FFont;
    QPoint FPenPos;
};

}  // namespace vx
