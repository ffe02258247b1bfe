#include "GdiPlus.h"

#include <QColorSpace>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImageReader>
#include <QPen>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "Canvas.h"

namespace vx {

namespace {

int gStartups = 0;

// Started with the program like the drawing layer's own unit start-up, shut down at its exit.
const TGdiplusStartup gProgramStartup;

TStatus CreationStatus() {
    return TGdiplusStartup::Running() ? TStatus::Ok : TStatus::GdiplusNotInitialized;
}

QColor ToQColor(TArgb argb) {
    return QColor::fromRgba(argb);
}

int Channel(TArgb argb, int shift) {
    return static_cast<int>((argb >> shift) & 0xFF);
}

// Rounds a value below 2^51 in magnitude with halves to the even neighbour, without a library
// call or a branch (this runs for every shaded pixel): adding 1.5 · 2^52 leaves no bits below the
// units, and the floating-point unit rounds what it drops to even.
int RoundHalfEven(double v) {
    constexpr double kShift = 6755399441055744.0;
    const double shifted = v + kShift;
    return static_cast<int>(shifted - kShift);
}

// Each channel from a towards b by t (0 … 1), rounded with halves to even.
TArgb Interpolate(TArgb a, TArgb b, double t) {
    TArgb result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int ca = Channel(a, shift);
        const int cb = Channel(b, shift);
        result |= static_cast<TArgb>(RoundHalfEven(ca + t * (cb - ca))) << shift;
    }
    return result;
}

// Colour of a point carried by a brush, premultiplied for the scratch image.
QRgb Premultiplied(TArgb argb) {
    return qPremultiply(argb);
}

// Bézier points an arc of this sweep adds to a path: a start point and three per quarter.
int ArcPointCount(float sweep) {
    const int quarters = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / 90.0f)));
    return 1 + 3 * quarters;
}

constexpr int kEllipsePointCount = 13;

struct TFormatGuid {
    QUuid Id;
    TImageFormatCode Code;
    const char* ReaderName;
};

// The published image-format identifiers; the reader names are what the image decoder reports.
const std::array<TFormatGuid, 10>& FormatGuids() {
    static const std::array<TFormatGuid, 10> table{{
        {QUuid("{b96b3caa-0728-11d3-9d7b-0000f81ef32e}"), ifMemoryBMP, ""},
        {QUuid("{b96b3cab-0728-11d3-9d7b-0000f81ef32e}"), ifBMP, "bmp"},
        {QUuid("{b96b3cac-0728-11d3-9d7b-0000f81ef32e}"), ifEMF, "emf"},
        {QUuid("{b96b3cad-0728-11d3-9d7b-0000f81ef32e}"), ifWMF, "wmf"},
        {QUuid("{b96b3cae-0728-11d3-9d7b-0000f81ef32e}"), ifJPEG, "jpeg"},
        {QUuid("{b96b3caf-0728-11d3-9d7b-0000f81ef32e}"), ifPNG, "png"},
        {QUuid("{b96b3cb0-0728-11d3-9d7b-0000f81ef32e}"), ifGIF, "gif"},
        {QUuid("{b96b3cb1-0728-11d3-9d7b-0000f81ef32e}"), ifTIFF, "tiff"},
        {QUuid("{b96b3cb2-0728-11d3-9d7b-0000f81ef32e}"), ifEXIF, "exif"},
        {QUuid("{b96b3cb5-0728-11d3-9d7b-0000f81ef32e}"), ifIcon, "ico"},
    }};
    return table;
}

const QUuid kImageFormatUndefined("{b96b3ca9-0728-11d3-9d7b-0000f81ef32e}");

}  // namespace

// ---- start-up

TGdiplusStartup::TGdiplusStartup(const TGdiplusStartupInput& input, bool loadedAsLibrary)
    : FStatus(input.Version == 1 ? TStatus::Ok : TStatus::UnsupportedGdiplusVersion),
      FLoadedAsLibrary(loadedAsLibrary) {
    if (FStatus == TStatus::Ok) {
        ++gStartups;
    }
}

TGdiplusStartup::~TGdiplusStartup() {
    if (FStatus == TStatus::Ok && !FLoadedAsLibrary) {
        --gStartups;
    }
}

bool TGdiplusStartup::Running() {
    return gStartups > 0;
}

// ---- paths

TGPGraphicsPath::TGPGraphicsPath() {
    SetCreated(this, CreationStatus());
}

void TGPGraphicsPath::ContinueAt(QPointF point) {
    if (FFigureOpen) {
        FPath.lineTo(point);
    } else {
        FPath.moveTo(point);
        FFigureOpen = true;
        ++FFigures;
        FEllipse.reset();
    }
}

TStatus TGPGraphicsPath::AddLine(float x1, float y1, float x2, float y2) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    ContinueAt(QPointF(x1, y1));
    FPath.lineTo(x2, y2);
    FPointCount += 2;
    return TStatus::Ok;
}

TStatus TGPGraphicsPath::AddArc(float x, float y, float width, float height, float startAngle,
                                float sweep) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    // The screen's y axis points down, so clockwise here is Qt's negative direction.
    const QRectF box(x, y, width, height);
    QPainterPath probe;
    probe.arcMoveTo(box, -startAngle);
    ContinueAt(probe.currentPosition());
    FPath.arcTo(box, -startAngle, -sweep);
    FPointCount += ArcPointCount(sweep);
    return TStatus::Ok;
}

TStatus TGPGraphicsPath::AddEllipse(float x, float y, float width, float height) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FPath.addEllipse(QRectF(x, y, width, height));
    FFigureOpen = false;
    ++FFigures;
    FEllipse = FFigures == 1 ? std::optional<QRectF>(QRectF(x, y, width, height)) : std::nullopt;
    FPointCount += kEllipsePointCount;
    return TStatus::Ok;
}

TStatus TGPGraphicsPath::CloseFigure() {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    if (FFigureOpen) {
        FPath.closeSubpath();
        FFigureOpen = false;
    }
    return TStatus::Ok;
}

// ---- pens and brushes

TGPPen::TGPPen(TArgb color, float width) : FColor(color), FWidth(width) {
    SetCreated(this, CreationStatus());
}

TStatus TGPPen::SetDashStyle(TDashStyle style) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FDash = style;
    return TStatus::Ok;
}

QPen TGPPen::Pen() const {
    QPen pen(ToQColor(FColor), FWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    if (FDash == DashStyleDot) {
        pen.setDashPattern({1.0, 1.0});
    } else if (FDash == DashStyleDash) {
        pen.setDashPattern({3.0, 1.0});
    }
    return pen;
}

void TGPBrush::FillRow(QRgb* line, int x0, int count, double y) const {
    for (int i = 0; i < count; ++i) {
        const auto color = ColorAt(x0 + i, y);
        line[i] = color ? Premultiplied(*color) : 0;
    }
}

TGPSolidBrush::TGPSolidBrush(TArgb color) : FColor(color) {
    SetCreated(this, CreationStatus());
}

TGPLinearGradientBrush::TGPLinearGradientBrush(const QRectF& rect, TArgb color1, TArgb color2,
                                               TLinearGradientMode mode, TWrapMode)
    : FRect(rect), FColor1(color1), FColor2(color2), FMode(mode) {
    const TStatus status = CreationStatus();
    SetCreated(this, status != TStatus::Ok                     ? status
                     : rect.width() <= 0 || rect.height() <= 0 ? TStatus::InvalidParameter
                                                               : TStatus::Ok);
}

std::optional<TArgb> TGPLinearGradientBrush::ColorAt(double x, double y) const {
    const double fx = (x - FRect.left()) / FRect.width();
    const double fy = (y - FRect.top()) / FRect.height();
    double t = 0;
    switch (FMode) {
        case LinearGradientModeHorizontal:
            t = fx;
            break;
        case LinearGradientModeVertical:
            t = fy;
            break;
        case LinearGradientModeForwardDiagonal:
            t = (fx + fy) / 2;
            break;
        case LinearGradientModeBackwardDiagonal:
            t = (1 - fx + fy) / 2;
            break;
    }
    // Tiling repeats the ramp beyond the rectangle.
    t -= std::floor(t);
    return Interpolate(FColor1, FColor2, t);
}

void TGPLinearGradientBrush::FillRow(QRgb* line, int x0, int count, double y) const {
    if (FMode != LinearGradientModeVertical) {
        TGPBrush::FillRow(line, x0, count, y);
        return;
    }
    // A vertical ramp has one colour per row.
    std::fill(line, line + count, Premultiplied(*ColorAt(x0, y)));
}

TGPPathGradientBrush::TGPPathGradientBrush(const TGPGraphicsPath& path)
    : FPointCount(path.PointCount()) {
    TStatus status = CreationStatus();
    if (status == TStatus::Ok && (!path.Valid() || FPointCount == 0)) {
        status = TStatus::InvalidParameter;
    }
    // Only elliptic paths are shaded; the program's faces use nothing else.
    if (status == TStatus::Ok && !path.Ellipse()) {
        status = TStatus::NotImplemented;
    }
    if (status == TStatus::Ok) {
        FEllipse = *path.Ellipse();
        FCenter = FEllipse.center();
        Prepare();
    }
    SetCreated(this, status);
}

TStatus TGPPathGradientBrush::SetCenterColor(TArgb color) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FCenterColor = color;
    Prepare();
    return TStatus::Ok;
}

TStatus TGPPathGradientBrush::SetCenterPoint(QPoint point) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FCenter = point;
    Prepare();
    return TStatus::Ok;
}

TStatus TGPPathGradientBrush::GetPointCount(int& count) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    count = FPointCount;
    return TStatus::Ok;
}

TStatus TGPPathGradientBrush::SetSurroundColors(const TArgb* colors, int& count) {
    int points = 0;
    if (colors == nullptr || GetPointCount(points) != TStatus::Ok || points == 0 ||
        points < count || count <= 0) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FSurround.assign(colors, colors + count);
    Prepare();
    return TStatus::Ok;
}

void TGPPathGradientBrush::Prepare() {
    FRadiusX = FEllipse.width() / 2;
    FRadiusY = FEllipse.height() / 2;
    FMid = FEllipse.center();
    if (FRadiusX > 0 && FRadiusY > 0) {
        FFocusX = (FCenter.x() - FMid.x()) / FRadiusX;
        FFocusY = (FCenter.y() - FMid.y()) / FRadiusY;
        FFocusRim = FFocusX * FFocusX + FFocusY * FFocusY - 1;
    }
    // Alpha stays the centre's: the controls only shade opaque colours.
    const TArgb surround = FSurround.empty() ? 0xFFFFFFFF : FSurround.front();
    for (int i = 0; i < 3; ++i) {
        FCenterChannels[i] = Channel(FCenterColor, 8 * i);
        FChannelSpan[i] = Channel(surround, 8 * i) - FCenterChannels[i];
    }
}

TGPPathGradientBrush::TRowTerms TGPPathGradientBrush::RowTerms(double v) const {
    const double dy = v - FFocusY;
    return {v * v, dy, dy * dy, FFocusY * dy};
}

double TGPPathGradientBrush::ShareAt(const TRowTerms& row, double u) const {
    if (u * u + row.VV >= 1) {
        return -1;
    }
    // In the unit circle the ray from the centre point f through p meets the rim at f + s·(p − f);
    // the point's share of the way is t = 1 / s. Scaling keeps the ratios along each ray.
    const double dx = u - FFocusX;
    const double dd = dx * dx + row.DyDy;
    if (dd == 0) {
        return 0;
    }
    const double fd = FFocusX * dx + row.FocusDy;
    const double disc = fd * fd - dd * FFocusRim;
    if (disc < 0) {
        return -1;
    }
    const double rim = -fd + std::sqrt(disc);
    if (rim <= 0) {
        return -1;
    }
    return std::min(1.0, dd / rim);
}

TArgb TGPPathGradientBrush::ShadeOf(double share) const {
    TArgb result = 0xFF000000u & FCenterColor;
    for (int i = 0; i < 3; ++i) {
        result |= static_cast<TArgb>(RoundHalfEven(FCenterChannels[i] + share * FChannelSpan[i]))
                  << (8 * i);
    }
    return result;
}

std::optional<TArgb> TGPPathGradientBrush::ColorAt(double x, double y) const {
    if (FRadiusX <= 0 || FRadiusY <= 0) {
        return std::nullopt;
    }
    const double share = ShareAt(RowTerms((y - FMid.y()) / FRadiusY), (x - FMid.x()) / FRadiusX);
    if (share < 0) {
        return std::nullopt;
    }
    return ShadeOf(share);
}

namespace {

struct TShareRowKey {
    QRectF Ellipse;
    QPointF Centre;
    double Y = 0;
    int First = 0;
    int Last = 0;
    bool operator==(const TShareRowKey&) const = default;
};

size_t qHash(const TShareRowKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.Ellipse.x(), key.Ellipse.y(), key.Ellipse.width(),
                      key.Ellipse.height(), key.Centre.x(), key.Centre.y(), key.Y, key.First,
                      key.Last);
}

// The shares of a row depend on the ellipse and the centre point alone, which stay the same
// from paint to paint of a face while its colours fade: they are worked out once.
class TShareRows {
  public:
    template <typename Compute>
    const std::vector<double>& Row(const TShareRowKey& key, Compute compute) {
        if (const auto found = FRows.constFind(key); found != FRows.cend()) {
            return *found;
        }
        if (FRows.size() >= kCapacity) {
            FRows.clear();
        }
        return *FRows.insert(key, compute());
    }

  private:
    static constexpr qsizetype kCapacity = 1024;
    QHash<TShareRowKey, std::vector<double>> FRows;
};

thread_local TShareRows tShareRows;

}  // namespace

void TGPPathGradientBrush::FillRow(QRgb* line, int x0, int count, double y) const {
    std::fill(line, line + count, 0);
    if (FRadiusX <= 0 || FRadiusY <= 0) {
        return;
    }
    const double v = (y - FMid.y()) / FRadiusY;
    if (v * v >= 1) {
        return;
    }
    // Only the pixels between the ellipse's two edges on this row need shading.
    const double half = FRadiusX * std::sqrt(1 - v * v);
    const int first = std::max(x0, static_cast<int>(std::floor(FMid.x() - half)));
    const int last = std::min(x0 + count - 1, static_cast<int>(std::ceil(FMid.x() + half)));
    if (first > last) {
        return;
    }
    // With the centre point on the ellipse's vertical axis, a pixel and its mirror image across
    // the axis have opposite u and so the same share and colour: each pair is worked once.
    const double axis2 = 2 * FMid.x();
    const bool symmetric = FFocusX == 0 && axis2 == std::floor(axis2);
    const int twinSum = static_cast<int>(axis2);
    const auto twinDone = [&](int x) {
        const int twin = twinSum - x;
        return symmetric && twin >= first && twin < x ? twin : -1;
    };
    const std::vector<double>& shares = tShareRows.Row({FEllipse, FCenter, y, first, last}, [&] {
        const TRowTerms row = RowTerms(v);
        std::vector<double> result(static_cast<size_t>(last - first + 1));
        for (int x = first; x <= last; ++x) {
            const int twin = twinDone(x);
            result[x - first] =
                twin >= 0 ? result[twin - first] : ShareAt(row, (x - FMid.x()) / FRadiusX);
        }
        return result;
    });
    const bool opaque = qAlpha(FCenterColor) == 0xFF;
    for (int x = first; x <= last; ++x) {
        if (const int twin = twinDone(x); twin >= 0) {
            line[x - x0] = line[twin - x0];
        } else if (const double share = shares[x - first]; share >= 0) {
            const TArgb color = ShadeOf(share);
            line[x - x0] = opaque ? color : Premultiplied(color);
        }
    }
}

// ---- text

TGPFontFamily::TGPFontFamily(const QString& name) : FName(name) {
    TStatus status = CreationStatus();
    if (status == TStatus::Ok && !QFontDatabase::hasFamily(name)) {
        status = TStatus::FontFamilyNotFound;
    }
    SetCreated(this, status);
}

TGPFont::TGPFont(const TGPFontFamily& family, float size, int style, TUnit unit) {
    TStatus status = CreationStatus();
    if (status == TStatus::Ok && (!family.Valid() || size <= 0)) {
        status = TStatus::InvalidParameter;
    }
    if (status == TStatus::Ok) {
        FFont.setFamily(family.Name());
        if (unit == UnitPoint) {
            FFont.setPointSizeF(size);
        } else {
            FFont.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
        }
        FFont.setBold((style & FontStyleBold) != 0);
        FFont.setItalic((style & FontStyleItalic) != 0);
        FFont.setUnderline((style & FontStyleUnderline) != 0);
        FFont.setStyleStrategy(QFont::PreferAntialias);
    }
    SetCreated(this, status);
}

TGPStringFormat::TGPStringFormat(int formatFlags, int) : FFlags(formatFlags) {
    SetCreated(this, CreationStatus());
}

TStatus TGPStringFormat::SetAlignment(TStringAlignment align) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FAlign = align;
    return TStatus::Ok;
}

TStatus TGPStringFormat::SetLineAlignment(TStringAlignment align) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FLineAlign = align;
    return TStatus::Ok;
}

TStatus TGPStringFormat::SetHotkeyPrefix(THotkeyPrefix prefix) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FPrefix = prefix;
    return TStatus::Ok;
}

int TGPStringFormat::TextFlags() const {
    static constexpr std::array<int, 3> kHorizontal{Qt::AlignLeft, Qt::AlignHCenter,
                                                    Qt::AlignRight};
    static constexpr std::array<int, 3> kVertical{Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    int flags = kHorizontal[FAlign] | kVertical[FLineAlign];
    flags |= (FFlags & StringFormatFlagsNoWrap) ? Qt::TextSingleLine : Qt::TextWordWrap;
    if (FPrefix == HotkeyPrefixShow) {
        flags |= Qt::TextShowMnemonic;
    } else if (FPrefix == HotkeyPrefixHide) {
        flags |= Qt::TextHideMnemonic;
    }
    return flags;
}

// ---- images

TImageFormatCode ImageFormatCode(const QUuid& rawFormat) {
    for (const TFormatGuid& entry : FormatGuids()) {
        if (entry.Id == rawFormat) {
            return entry.Code;
        }
    }
    return ifUnknown;
}

TGPImage::TGPImage(QIODevice& stream, bool useIcm) : FRawFormat(kImageFormatUndefined) {
    TStatus status = CreationStatus();
    if (status == TStatus::Ok) {
        QImageReader reader(&stream);
        const QByteArray format = reader.format();
        if (!reader.read(&FImage)) {
            status = TStatus::UnknownImageFormat;
        } else {
            if (useIcm && FImage.colorSpace().isValid()) {
                FImage.convertToColorSpace(QColorSpace::SRgb);
            }
            for (const TFormatGuid& entry : FormatGuids()) {
                if (format == entry.ReaderName && *entry.ReaderName != '\0') {
                    FRawFormat = entry.Id;
                }
            }
        }
    }
    SetCreated(this, status);
}

TStatus TGPImage::GetWidth(unsigned& width) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    width = static_cast<unsigned>(FImage.width());
    return TStatus::Ok;
}

TStatus TGPImage::GetHeight(unsigned& height) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    height = static_cast<unsigned>(FImage.height());
    return TStatus::Ok;
}

TStatus TGPImage::GetRawFormat(QUuid& format) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    format = FRawFormat;
    return TStatus::Ok;
}

TImageFormatCode TGPImage::GetFormat() {
    QUuid format;
    return GetRawFormat(format) == TStatus::Ok ? ImageFormatCode(format) : ifUnknown;
}

// ---- graphics

TGPGraphics::TGPGraphics(TCanvas& canvas) : TGPGraphics(canvas.Painter()) {}

TGPGraphics::TGPGraphics(QPainter& painter) : FPainter(&painter) {
    SetCreated(this, painter.isActive() ? CreationStatus() : TStatus::InvalidParameter);
}

TGPGraphics::~TGPGraphics() = default;

TStatus TGPGraphics::SetSmoothingMode(TSmoothingMode mode) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FSmoothing = mode == SmoothingModeDefault ? SmoothingModeNone : mode;
    return TStatus::Ok;
}

TStatus TGPGraphics::SetTextRenderingHint(TTextRenderingHint hint) {
    if (!Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    FTextHint = hint;
    return TStatus::Ok;
}

TStatus TGPGraphics::DrawPath(const TGPPen& pen, const TGPGraphicsPath& path) {
    if (!Valid() || !pen.Valid() || !path.Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    QPainter& p = *FPainter;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, FSmoothing == SmoothingModeAntiAlias);
    // QPainter's pixel centres lie half a pixel off ours.
    p.translate(0.5, 0.5);
    p.setPen(pen.Pen());
    p.setBrush(Qt::NoBrush);
    p.drawPath(path.Path());
    p.restore();
    return TStatus::Ok;
}

TStatus TGPGraphics::FillRectangle(const TGPBrush& brush, float x, float y, float width,
                                   float height) {
    if (!Valid() || !brush.Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    if (width <= 0 || height <= 0) {
        return TStatus::Ok;
    }
    QPainter& p = *FPainter;
    // A pixel belongs to the fill when its centre lies in [x, x + width) × [y, y + height).
    QRect pixels(QPoint(static_cast<int>(std::ceil(x)), static_cast<int>(std::ceil(y))),
                 QPoint(static_cast<int>(std::ceil(x + width)) - 1,
                        static_cast<int>(std::ceil(y + height)) - 1));
    if (const auto color = brush.UniformColor()) {
        if (FSmoothing == SmoothingModeAntiAlias) {
            p.save();
            p.setRenderHint(QPainter::Antialiasing, true);
            p.fillRect(QRectF(x + 0.5, y + 0.5, width, height), ToQColor(*color));
            p.restore();
        } else {
            p.fillRect(pixels, ToQColor(*color));
        }
        return TStatus::Ok;
    }
    pixels &= PaintableRect(p);
    if (pixels.isEmpty()) {
        return TStatus::Ok;
    }
    if (FScratch.width() < pixels.width() || FScratch.height() < pixels.height()) {
        FScratch = QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    }
    for (int row = 0; row < pixels.height(); ++row) {
        brush.FillRow(reinterpret_cast<QRgb*>(FScratch.scanLine(row)), pixels.left(),
                      pixels.width(), pixels.top() + row);
    }
    p.drawImage(pixels.topLeft(), FScratch, QRect(QPoint(0, 0), pixels.size()));
    return TStatus::Ok;
}

TStatus TGPGraphics::DrawString(const QString& text, const TGPFont& font, const QRectF& layout,
                                const TGPStringFormat& format, const TGPBrush& brush) {
    if (!Valid() || !font.Valid() || !format.Valid() || !brush.Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    const auto color = brush.ColorAt(layout.center().x(), layout.center().y());
    QPainter& p = *FPainter;
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing, FTextHint != TextRenderingHintSystemDefault);
    p.setFont(font.Font());
    p.setPen(ToQColor(color.value_or(0xFF000000)));
    p.drawText(layout, format.TextFlags(), text);
    p.restore();
    return TStatus::Ok;
}

TStatus TGPGraphics::MeasureString(const QString& text, const TGPFont& font, const QRectF& layout,
                                   const TGPStringFormat& format, QRectF& bounds) {
    if (!Valid() || !font.Valid() || !format.Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    bounds = QFontMetricsF(font.Font()).boundingRect(layout, format.TextFlags(), text);
    return TStatus::Ok;
}

TStatus TGPGraphics::DrawImage(const TGPImage& image, float x, float y, float width, float height) {
    if (!Valid() || !image.Valid()) {
        return SetStatus(TStatus::InvalidParameter);
    }
    QPainter& p = *FPainter;
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, FSmoothing == SmoothingModeAntiAlias);
    p.drawImage(QRectF(x, y, width, height), image.Image());
    p.restore();
    return TStatus::Ok;
}

}  // namespace vx
