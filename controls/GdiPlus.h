// A thin object layer in the manner of the classic GDI+ flat interface, drawn with QPainter.
// Each object keeps its native handle and the status of its last failing call; nothing raises.
// Geometry is GDI+'s: pixel centres lie on integer coordinates, so a 1-pixel line along y = 0
// covers row 0 and a fill of the rectangle (0, 0, 10, 11) covers rows 0 … 10.
#pragma once

#include <QFont>
#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QUuid>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vx {

class TCanvas;

using TArgb = std::uint32_t;

enum class TStatus : int {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
    UnsupportedGdiplusVersion = 17,
    GdiplusNotInitialized = 18,
};

enum TSmoothingMode { SmoothingModeDefault = 0, SmoothingModeNone = 3, SmoothingModeAntiAlias = 4 };
enum TTextRenderingHint {
    TextRenderingHintSystemDefault = 0,
    TextRenderingHintAntiAliasGridFit = 3,
    TextRenderingHintAntiAlias = 4,
    TextRenderingHintClearTypeGridFit = 5
};
enum TDashStyle { DashStyleSolid = 0, DashStyleDash = 1, DashStyleDot = 2 };
enum TLinearGradientMode {
    LinearGradientModeHorizontal = 0,
    LinearGradientModeVertical = 1,
    LinearGradientModeForwardDiagonal = 2,
    LinearGradientModeBackwardDiagonal = 3
};
enum TWrapMode { WrapModeTile = 0 };
enum TStringAlignment {
    StringAlignmentNear = 0,
    StringAlignmentCenter = 1,
    StringAlignmentFar = 2
};
enum THotkeyPrefix { HotkeyPrefixNone = 0, HotkeyPrefixShow = 1, HotkeyPrefixHide = 2 };
enum TUnit { UnitWorld = 0, UnitPixel = 2, UnitPoint = 3 };
constexpr int StringFormatFlagsNoWrap = 0x1000;
constexpr int FontStyleBold = 1;
constexpr int FontStyleItalic = 2;
constexpr int FontStyleUnderline = 4;

// Start-up and shut-down of the drawing layer, once for the program. Objects made while the
// layer is down record GdiplusNotInitialized and draw nothing.
// The input of the start-up call: version 1, no debug callback, background thread suppressed,
// external codecs allowed.
struct TGdiplusStartupInput {
    std::uint32_t Version = 1;
    bool SuppressBackgroundThread = true;
    bool SuppressExternalCodecs = false;
};

class TGdiplusStartup {
  public:
    explicit TGdiplusStartup(bool loadedAsLibrary = false)
        : TGdiplusStartup(TGdiplusStartupInput(), loadedAsLibrary) {}
    TGdiplusStartup(const TGdiplusStartupInput& input, bool loadedAsLibrary);
    TGdiplusStartup(const TGdiplusStartup&) = delete;
    TGdiplusStartup& operator=(const TGdiplusStartup&) = delete;
    ~TGdiplusStartup();
    TStatus Status() const { return FStatus; }
    static bool Running();

  private:
    TStatus FStatus;
    bool FLoadedAsLibrary;
};

class TGdiplusBase {
  public:
    TGdiplusBase() = default;
    TGdiplusBase(const TGdiplusBase&) = delete;
    TGdiplusBase& operator=(const TGdiplusBase&) = delete;
    virtual ~TGdiplusBase() = default;
    TStatus GetLastStatus() const { return FLastResult; }
    bool Valid() const { return FNative != nullptr; }

  protected:
    // Records a failing status (Ok leaves the last one) and hands it back.
    TStatus SetStatus(TStatus status) {
        if (status != TStatus::Ok) {
            FLastResult = status;
        }
        return status;
    }
    // The creation call's status, stored whatever it is.
    void SetCreated(void* native, TStatus status) {
        FNative = status == TStatus::Ok ? native : nullptr;
        FLastResult = status;
    }
    void* FNative = nullptr;
    TStatus FLastResult = TStatus::Ok;
};

class TGPGraphicsPath : public TGdiplusBase {
  public:
    TGPGraphicsPath();
    TStatus AddLine(float x1, float y1, float x2, float y2);
    // Angles in degrees, clockwise from the x axis as on the screen.
    TStatus AddArc(float x, float y, float width, float height, float startAngle, float sweep);
    TStatus AddEllipse(float x, float y, float width, float height);
    TStatus CloseFigure();
    int PointCount() const { return FPointCount; }
    const QPainterPath& Path() const { return FPath; }
    // The single ellipse of the path, when it holds one (what a path gradient shades).
    std::optional<QRectF> Ellipse() const { return FEllipse; }

  private:
    void ContinueAt(QPointF point);
    QPainterPath FPath;
    bool FFigureOpen = false;
    int FPointCount = 0;
    int FFigures = 0;
    std::optional<QRectF> FEllipse;
};

class TGPPen : public TGdiplusBase {
  public:
    TGPPen(TArgb color, float width = 1.0f);
    TStatus SetDashStyle(TDashStyle style);
    QPen Pen() const;

  private:
    TArgb FColor;
    float FWidth;
    TDashStyle FDash = DashStyleSolid;
};

class TGPBrush : public TGdiplusBase {
  public:
    // The brush's colour at a pixel centre (GDI+ coordinates), or none where it paints nothing.
    virtual std::optional<TArgb> ColorAt(double x, double y) const = 0;
    // A brush of one colour everywhere can be filled without looking at each pixel.
    virtual std::optional<TArgb> UniformColor() const { return std::nullopt; }
    // One row of a fill: `count` premultiplied pixels from x0 at height y; 0 where the brush
    // paints nothing. Brushes override it where a row can be had cheaper than pixel by pixel.
    virtual void FillRow(QRgb* line, int x0, int count, double y) const;
};

class TGPSolidBrush : public TGPBrush {
  public:
    explicit TGPSolidBrush(TArgb color);
    std::optional<TArgb> ColorAt(double, double) const override { return FColor; }
    std::optional<TArgb> UniformColor() const override { return FColor; }

  private:
    TArgb FColor;
};

class TGPLinearGradientBrush : public TGPBrush {
  public:
    TGPLinearGradientBrush(const QRectF& rect, TArgb color1, TArgb color2, TLinearGradientMode mode,
                           TWrapMode wrap = WrapModeTile);
    std::optional<TArgb> ColorAt(double x, double y) const override;
    void FillRow(QRgb* line, int x0, int count, double y) const override;

  private:
    QRectF FRect;
    TArgb FColor1;
    TArgb FColor2;
    TLinearGradientMode FMode;
};

// Shades the inside of an elliptic path from its centre colour at the centre point to the
// surround colour at the path, along the rays from the centre point; outside the path it
// paints nothing.
class TGPPathGradientBrush : public TGPBrush {
  public:
    explicit TGPPathGradientBrush(const TGPGraphicsPath& path);
    TStatus SetCenterColor(TArgb color);
    TStatus SetCenterPoint(QPoint point);
    TStatus GetPointCount(int& count);
    // Takes `count` colours; on success `count` becomes the number accepted.
    TStatus SetSurroundColors(const TArgb* colors, int& count);
    std::optional<TArgb> ColorAt(double x, double y) const override;
    void FillRow(QRgb* line, int x0, int count, double y) const override;

  private:
    // What every point of one row of the unit circle shares.
    struct TRowTerms {
        double VV;
        double Dy;
        double DyDy;
        double FocusDy;
    };

    void Prepare();
    TRowTerms RowTerms(double v) const;
    // The share of the way from the centre point to the path at u on the row (0 … 1), or a
    // negative value where nothing is painted.
    double ShareAt(const TRowTerms& row, double u) const;
    TArgb ShadeOf(double share) const;

    QRectF FEllipse;
    double FRadiusX = 0;
    double FRadiusY = 0;
    QPointF FMid;
    double FFocusX = 0;
    double FFocusY = 0;
    double FFocusRim = -1;
    std::array<int, 3> FCenterChannels{};
    std::array<int, 3> FChannelSpan{};
    int FPointCount;
    TArgb FCenterColor = 0xFFFFFFFF;
    QPointF FCenter;
    std::vector<TArgb> FSurround;
};

class TGPFontFamily : public TGdiplusBase {
  public:
    explicit TGPFontFamily(const QString& name);
    QString Name() const { return FName; }

  private:
    QString FName;
};

class TGPFont : public TGdiplusBase {
  public:
    TGPFont(const TGPFontFamily& family, float size, int style, TUnit unit);
    const QFont& Font() const { return FFont; }

  private:
    QFont FFont;
};

class TGPStringFormat : public TGdiplusBase {
  public:
    explicit TGPStringFormat(int formatFlags = 0, int language = 0);
    TStatus SetAlignment(TStringAlignment align);
    TStatus SetLineAlignment(TStringAlignment align);
    TStatus SetHotkeyPrefix(THotkeyPrefix prefix);
    // The equivalent QPainter text flags.
    int TextFlags() const;

  private:
    int FFlags;
    TStringAlignment FAlign = StringAlignmentNear;
    TStringAlignment FLineAlign = StringAlignmentNear;
    THotkeyPrefix FPrefix = HotkeyPrefixNone;
};

// The published image-format identifiers and their small codes.
enum TImageFormatCode {
    ifUnknown = 0,
    ifMemoryBMP = 1,
    ifBMP = 2,
    ifEMF = 3,
    ifWMF = 4,
    ifJPEG = 5,
    ifPNG = 6,
    ifGIF = 7,
    ifTIFF = 8,
    ifEXIF = 9,
    ifIcon = 10
};
TImageFormatCode ImageFormatCode(const QUuid& rawFormat);

class TGPImage : public TGdiplusBase {
  public:
    // Decodes the stream; `useIcm` picks the colour-managed load.
    explicit TGPImage(QIODevice& stream, bool useIcm = false);
    TStatus GetWidth(unsigned& width);
    TStatus GetHeight(unsigned& height);
    TStatus GetRawFormat(QUuid& format);
    // The raw format as its small code (0 when unknown).
    TImageFormatCode GetFormat();
    const QImage& Image() const { return FImage; }

  private:
    QImage FImage;
    QUuid FRawFormat;
};

class TGPGraphics : public TGdiplusBase {
  public:
    // Draws through the canvas's painter, leaving its state as it was found.
    explicit TGPGraphics(TCanvas& canvas);
    explicit TGPGraphics(QPainter& painter);
    ~TGPGraphics() override;
    TStatus SetSmoothingMode(TSmoothingMode mode);
    TSmoothingMode SmoothingMode() const { return FSmoothing; }
    TStatus SetTextRenderingHint(TTextRenderingHint hint);
    TStatus DrawPath(const TGPPen& pen, const TGPGraphicsPath& path);
    TStatus FillRectangle(const TGPBrush& brush, float x, float y, float width, float height);
    TStatus DrawString(const QString& text, const TGPFont& font, const QRectF& layout,
                       const TGPStringFormat& format, const TGPBrush& brush);
    TStatus MeasureString(const QString& text, const TGPFont& font, const QRectF& layout,
                          const TGPStringFormat& format, QRectF& bounds);
    TStatus DrawImage(const TGPImage& image, float x, float y, float width, float height);

  private:
    QPainter* FPainter;
    TSmoothingMode FSmoothing = SmoothingModeNone;
    TTextRenderingHint FTextHint = TextRenderingHintSystemDefault;
    QImage FScratch;
};

}  // namespace vx
