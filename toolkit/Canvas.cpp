#include "Canvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QPen>
#include <QStyle>
#include <QThread>
#include <cstdlib>

#include "Colors.h"
#include "Graphics.h"

namespace vx {

namespace {

struct TMeasureKey {
    QFont Font;
    QString Text;
    int Flags = 0;
    int Width = 0;
    bool operator==(const TMeasureKey&) const = default;
};

size_t qHash(const TMeasureKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.Font, key.Text, key.Flags, key.Width);
}

// Laying a text out to measure it costs as much as drawing it, and the controls measure the same
// captions on every paint: what the window thread measured is kept until the fonts change.
class TMeasureCache {
  public:
    static TMeasureCache* ForThisThread() {
        auto* app = QGuiApplication::instance();
        if (app == nullptr || app->thread() != QThread::currentThread()) {
            return nullptr;
        }
        static TMeasureCache* cache = new TMeasureCache(app);
        return cache;
    }

    QRect Bounds(const QFontMetrics& metrics, TMeasureKey key) {
        if (const auto found = FBounds.constFind(key); found != FBounds.cend()) {
            return *found;
        }
        if (FBounds.size() >= kCapacity) {
            FBounds.clear();
        }
        const QRect bounds =
            metrics.boundingRect(QRect(0, 0, key.Width, 1 << 20), key.Flags, key.Text);
        FBounds.insert(std::move(key), bounds);
        return bounds;
    }

  private:
    static constexpr qsizetype kCapacity = 512;

    explicit TMeasureCache(QCoreApplication* app) {
        QObject::connect(qGuiApp, &QGuiApplication::fontDatabaseChanged, app,
                         [this] { FBounds.clear(); });
    }

    QHash<TMeasureKey, QRect> FBounds;
};

QRect MeasureText(const QFont& font, const QFontMetrics& metrics, const QString& text, int flags,
                  int width) {
    if (TMeasureCache* cache = TMeasureCache::ForThisThread()) {
        return cache->Bounds(metrics, {font, text, flags, width});
    }
    return metrics.boundingRect(QRect(0, 0, width, 1 << 20), flags, text);
}

}  // namespace

TPrefixedText StripPrefix(const QString& caption) {
    TPrefixedText result;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
            if (caption[i] != u'&' && result.UnderlineAt < 0) {
                result.UnderlineAt = static_cast<int>(result.Text.size());
                result.AccessKey = caption[i].toUpper();
            }
        }
        result.Text += caption[i];
    }
    return result;
}

bool IsAccel(QChar key, const QString& caption) {
    const QChar accel = StripPrefix(caption).AccessKey;
    return !accel.isNull() && accel == key.toUpper();
}

QRect PaintableRect(const QPainter& painter) {
    QRect paintable =
        painter.worldTransform().inverted().mapRect(QRectF(painter.window())).toAlignedRect();
    if (painter.hasClipping()) {
        paintable &= painter.clipBoundingRect().toAlignedRect();
    }
    return paintable;
}

TCanvas::TCanvas(QImage* image) : FImage(image), FFont(std::make_unique<TFont>()) {}

TCanvas::TCanvas(QPainter* painter) : FPainter(painter), FFont(std::make_unique<TFont>()) {
    FPainter->setRenderHint(QPainter::Antialiasing, false);
}

TCanvas::~TCanvas() {
    Release();
}

QPainter& TCanvas::Painter() {
    if (FPainter == nullptr) {
        FOwnPainter = std::make_unique<QPainter>(FImage);
        FPainter = FOwnPainter.get();
        FPainter->setRenderHint(QPainter::Antialiasing, false);
    }
    return *FPainter;
}

void TCanvas::Release() {
    if (FOwnPainter) {
        FOwnPainter->end();
        FOwnPainter.reset();
        FPainter = nullptr;
    }
}

void TCanvas::ApplyPen(QPainter& p) const {
    if (Pen.Style == psClear) {
        p.setPen(Qt::NoPen);
        return;
    }
    QPen pen(ToQColor(Pen.Color));
    pen.setWidth(Pen.Width <= 1 ? 0 : Pen.Width);
    static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                               Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen,
                                               Qt::SolidLine};
    pen.setStyle(kStyles[Pen.Style]);
    p.setPen(pen);
}

void TCanvas::ApplyBrush(QPainter& p) const {
    static constexpr Qt::BrushStyle kStyles[] = {
        Qt::SolidPattern, Qt::NoBrush,      Qt::HorPattern,   Qt::VerPattern,
        Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    p.setBrush(QBrush(ToQColor(Brush.Color), kStyles[Brush.Style]));
}

void TCanvas::MoveTo(int x, int y) {
    FPenPos = QPoint(x, y);
}

// Classic line drawing: Bresenham's steps from the start, the end point itself left out.
void TCanvas::PlotLine(QPoint from, QPoint to) {
    QPainter& p = Painter();
    if (from != to && (from.x() == to.x() || from.y() == to.y())) {
        // Straight along an axis: the same pixels as the steps below, as one span (bevels and
        // frames draw many long lines, and single points are slow to paint).
        const int fromX = from.x() < to.x() ? from.x() : to.x() + (from.x() > to.x() ? 1 : 0);
        const int fromY = from.y() < to.y() ? from.y() : to.y() + (from.y() > to.y() ? 1 : 0);
        const int width = from.x() == to.x() ? 1 : std::abs(to.x() - from.x());
        const int height = from.y() == to.y() ? 1 : std::abs(to.y() - from.y());
        p.fillRect(QRect(fromX, fromY, width, height), ToQColor(Pen.Color));
        return;
    }
    const int dx = std::abs(to.x() - from.x());
    const int dy = -std::abs(to.y() - from.y());
    const int sx = from.x() < to.x() ? 1 : -1;
    const int sy = from.y() < to.y() ? 1 : -1;
    int err = dx + dy;
    QPoint cur = from;
    QList<QPoint> points;
    while (cur != to) {
        points.append(cur);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            cur.rx() += sx;
        }
        if (e2 <= dx) {
            err += dx;
            cur.ry() += sy;
        }
    }
    p.setPen(QPen(ToQColor(Pen.Color), 0));
    p.drawPoints(points.constData(), static_cast<int>(points.size()));
}

void TCanvas::LineTo(int x, int y) {
    const QPoint to(x, y);
    if (Pen.Style == psSolid || Pen.Style == psInsideFrame) {
        if (Pen.Width <= 1) {
            PlotLine(FPenPos, to);
        } else {
            QPainter& p = Painter();
            ApplyPen(p);
            p.drawLine(FPenPos, to);
        }
    } else if (Pen.Style != psClear) {
        QPainter& p = Painter();
        ApplyPen(p);
        p.drawLine(FPenPos, to);
    }
    FPenPos = to;
}

void TCanvas::Polyline(const QList<QPoint>& points) {
    if (points.isEmpty()) {
        return;
    }
    const QPoint saved = FPenPos;
    MoveTo(points.front().x(), points.front().y());
    for (qsizetype i = 1; i < points.size(); ++i) {
        LineTo(points[i].x(), points[i].y());
    }
    FPenPos = saved;
}

void TCanvas::Polygon(const QList<QPoint>& points) {
    QPainter& p = Painter();
    ApplyPen(p);
    ApplyBrush(p);
    p.drawPolygon(points.constData(), static_cast<int>(points.size()));
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top) {
        return;
    }
    QPainter& p = Painter();
    if (Pen.Style == psClear) {
        // Without a pen the filled area is one pixel smaller on the right and bottom.
        if (Brush.Style != bsClear) {
            ApplyBrush(p);
            p.setPen(Qt::NoPen);
            p.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
        }
        return;
    }
    if (Brush.Style != bsClear) {
        ApplyBrush(p);
        p.setPen(Qt::NoPen);
        p.drawRect(QRect(left, top, right - left, bottom - top));
    }
    if (Pen.Width <= 1 && Pen.Style == psSolid) {
        const QColor c = ToQColor(Pen.Color);
        p.fillRect(QRect(left, top, right - left, 1), c);
        p.fillRect(QRect(left, bottom - 1, right - left, 1), c);
        p.fillRect(QRect(left, top, 1, bottom - top), c);
        p.fillRect(QRect(right - 1, top, 1, bottom - top), c);
    } else {
        ApplyPen(p);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
    }
}

void TCanvas::FillRect(const QRect& rect) {
    if (Brush.Style == bsClear) {
        return;
    }
    QPainter& p = Painter();
    ApplyBrush(p);
    p.setPen(Qt::NoPen);
    p.drawRect(rect);
}

void TCanvas::FrameRect(const QRect& rect) {
    if (rect.isEmpty()) {
        return;
    }
    QPainter& p = Painter();
    const QColor c = ToQColor(Brush.Color);
    p.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), c);
    p.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), c);
    p.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), c);
    p.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), c);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    QPainter& p = Painter();
    ApplyPen(p);
    ApplyBrush(p);
    if (Brush.Style == bsClear) {
        p.setBrush(Qt::NoBrush);
    }
    p.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth,
                        int cornerHeight) {
    QPainter& p = Painter();
    ApplyPen(p);
    ApplyBrush(p);
    if (Brush.Style == bsClear) {
        p.setBrush(Qt::NoBrush);
    }
    p.drawRoundedRect(QRect(left, top, right - left - 1, bottom - top - 1), cornerWidth / 2.0,
                      cornerHeight / 2.0);
}

TColor TCanvas::Pixel(int x, int y) {
    if (FImage == nullptr || !FImage->valid(x, y)) {
        return clNone;
    }
    Release();
    return FromQColor(FImage->pixelColor(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    QPainter& p = Painter();
    p.fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    QRect r(x, y, 0, 0);
    DrawText(text, r, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_CALCRECT);
    QPainter& p = Painter();
    p.setFont(FFont->ToQFont(AntialiasedText));
    if (Brush.Style != bsClear) {
        p.fillRect(r, ToQColor(Brush.Color));
    }
    p.setPen(ToQColor(FFont->Color()));
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    FPenPos = QPoint(r.right() + 1, y);
}

int TCanvas::TextWidth(const QString& text) {
    return QFontMetrics(FFont->ToQFont(AntialiasedText)).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString& text) {
    (void)text;
    return QFontMetrics(FFont->ToQFont(AntialiasedText)).height();
}

int TCanvas::DrawText(const QString& text, QRect& rect, unsigned flags) {
    int qtFlags = 0;
    qtFlags |= (flags & DT_CENTER)  ? Qt::AlignHCenter
               : (flags & DT_RIGHT) ? Qt::AlignRight
                                    : Qt::AlignLeft;
    if (flags & DT_SINGLELINE) {
        qtFlags |= Qt::TextSingleLine;
        qtFlags |= (flags & DT_VCENTER)  ? Qt::AlignVCenter
                   : (flags & DT_BOTTOM) ? Qt::AlignBottom
                                         : Qt::AlignTop;
    } else {
        qtFlags |= Qt::AlignTop;
        if (flags & DT_WORDBREAK) {
            qtFlags |= Qt::TextWordWrap;
        }
    }
    if (flags & DT_EXPANDTABS) {
        qtFlags |= Qt::TextExpandTabs;
    }
    if (!(flags & DT_NOPREFIX)) {
        qtFlags |= (flags & DT_HIDEPREFIX) ? Qt::TextHideMnemonic : Qt::TextShowMnemonic;
    }
    const QFont font = FFont->ToQFont(AntialiasedText);
    const QFontMetrics metrics(font);
    QString shown = text;
    if ((flags & DT_END_ELLIPSIS) && !(flags & DT_CALCRECT)) {
        shown = metrics.elidedText(text, Qt::ElideRight, rect.width(),
                                   qtFlags & (Qt::TextShowMnemonic | Qt::TextHideMnemonic));
    }
    // Laying the text out to measure it costs as much as drawing it, so a single line drawn
    // without a background is not measured.
    const bool measure =
        (flags & DT_CALCRECT) || !(flags & DT_SINGLELINE) || Brush.Style != bsClear;
    const int measureWidth = (flags & DT_WORDBREAK) ? std::max(1, rect.width()) : 1 << 20;
    const QRect needed = measure ? MeasureText(font, metrics, shown,
                                               qtFlags & ~(Qt::AlignHCenter | Qt::AlignRight |
                                                           Qt::AlignVCenter | Qt::AlignBottom),
                                               measureWidth)
                                 : QRect();
    const int height = (flags & DT_SINGLELINE) ? metrics.height() : needed.height();
    if (flags & DT_CALCRECT) {
        rect.setWidth(needed.width());
        rect.setHeight(height);
        return height;
    }
    QPainter& p = Painter();
    p.save();
    if (!(flags & DT_NOCLIP)) {
        p.setClipRect(rect, Qt::IntersectClip);
    }
    p.setFont(font);
    if (Brush.Style != bsClear) {
        QRect cell = QStyle::alignedRect(
            Qt::LeftToRight,
            Qt::Alignment(qtFlags & (Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask)),
            QSize(needed.width(), height), rect);
        p.fillRect(cell, ToQColor(Brush.Color));
    }
    p.setPen(ToQColor(FFont->Color()));
    p.drawText(rect, qtFlags, shown);
    p.restore();
    return height;
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    if (!graphic.Empty()) {
        graphic.Draw(*this, QRect(x, y, graphic.Width(), graphic.Height()));
    }
}

void TCanvas::StretchDraw(const QRect& rect, TGraphic& graphic) {
    if (!graphic.Empty()) {
        graphic.Draw(*this, rect);
    }
}

void TCanvas::CopyRect(const QRect& dest, const QImage& source, const QRect& sourceRect) {
    QPainter& p = Painter();
    p.save();
    switch (CopyMode) {
        case cmWhiteness:
            p.fillRect(dest, Qt::white);
            p.restore();
            return;
        case cmBlackness:
            p.fillRect(dest, Qt::black);
            p.restore();
            return;
        case cmSrcAnd:
            p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            break;
        case cmSrcPaint:
            p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            break;
        case cmSrcInvert:
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            break;
        case cmSrcErase:
            p.setCompositionMode(QPainter::RasterOp_SourceAndNotDestination);
            break;
        case cmNotSrcCopy:
            p.setCompositionMode(QPainter::RasterOp_NotSource);
            break;
        case cmMergePaint:
            p.setCompositionMode(QPainter::RasterOp_NotSourceOrDestination);
            break;
        case cmSrcCopy:
            p.setCompositionMode(QPainter::CompositionMode_Source);
            break;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(dest,
                source.format() == QImage::Format_RGB32
                    ? source
                    : source.convertToFormat(QImage::Format_RGB32),
                sourceRect);
    p.restore();
}

void TCanvas::SetClipRect(const QRect& rect) {
    Painter().setClipRect(rect);
}

void TCanvas::SetClipRegion(const QRegion& region) {
    Painter().setClipRegion(region);
}

void TCanvas::ExcludeClipRect(const QRect& rect) {
    QPainter& p = Painter();
    QRegion current = p.hasClipping() ? p.clipRegion() : QRegion(p.viewport());
    p.setClipRegion(current.subtracted(QRegion(rect)));
}

void TCanvas::ClearClip() {
    Painter().setClipping(false);
}

QRect TCanvas::ClipRect() {
    QPainter& p = Painter();
    return p.hasClipping() ? p.clipBoundingRect().toAlignedRect() : p.viewport();
}

}  // namespace vx
