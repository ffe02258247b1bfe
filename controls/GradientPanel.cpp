#include "GradientPanel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainterPath>
#include <QSettings>
#include <QStyle>
#include <QTextDocumentFragment>
#include <QThread>
#include <QUrl>
#include <algorithm>

#include "Colors.h"
#include "Errors.h"
#include "Layout.h"

namespace vx {

namespace {

constexpr int kPanelGradientSteps = 64;
constexpr int kMirrorGradientSteps = 128;
constexpr int kCaptionGradientSteps = 64;
constexpr int kStatusGradientSteps = 40;
constexpr int kCaptionButtonSize = 12;
constexpr int kCaptionTextButtonRoom = 20;
constexpr int kShadeCornerSize = 32;
constexpr const char* kVersion = "1.7.6.0";

QString PlainText(const QString& markup) {
    return QTextDocumentFragment::fromHtml(markup).toPlainText();
}

// One line of text turned to read from bottom to top, its start at the bottom-left corner of
// `rect`.
void DrawRotatedLine(TCanvas& canvas, const TFont& font, const QString& text,
                     const TEdgeRect& rect) {
    QPainter& p = canvas.Painter();
    p.save();
    p.setFont(font.ToQFont());
    p.setPen(ToQColor(font.Color()));
    p.translate(rect.Left, rect.Bottom);
    p.rotate(-90);
    p.drawText(QRect(0, 0, std::max(rect.Height(), 0), std::max(rect.Width(), 0)),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    p.restore();
}

void DrawTransparent(TCanvas& canvas, int x, int y, TBitmap& glyph) {
    const bool transparent = glyph.Transparent();
    glyph.SetTransparent(true);
    canvas.Draw(x, y, glyph);
    glyph.SetTransparent(transparent);
}

}  // namespace

// ---- TAutoSize

void TAutoSize::SetEnabled(bool value) {
    FEnabled = value;
    emit Changed();
}

void TAutoSize::SetHeight(bool value) {
    FHeight = value;
    emit Changed();
}

void TAutoSize::SetWidth(bool value) {
    FWidth = value;
    emit Changed();
}

void TAutoSize::Assign(const TAutoSize& source) {
    FEnabled = source.FEnabled;
    FHeight = source.FHeight;
    FWidth = source.FWidth;
    emit Changed();
}

// ---- TCustomGradientPanel: life

TCustomGradientPanel::TCustomGradientPanel(QWidget* parent)
    : TPanel(parent),
      FBackground(std::make_unique<TPicture>()),
      FCaption(std::make_unique<TPanelCaption>()),
      FPosition(std::make_unique<TPanelPosition>()),
      FAutoSize(std::make_unique<TAutoSize>()),
      FStatusBar(std::make_unique<TPanelStatusBar>()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetParentColor(false);
    FFullHeight = Height();
    FSavedColor = Color();
    FCaption->Font()->SetName(QStringLiteral("Tahoma"));
    connect(FCaption.get(), &TPanelCaption::Changed, this, [this] {
        Realign();
        update();
    });
    connect(FCaption.get(), &TPanelCaption::ShadeChanged, this, [this] { RebuildShade(); });
    connect(FCaption.get(), &TPanelCaption::StateChanged, this, [this] { StateChanged(); });
    connect(FCaption.get(), &TPanelCaption::PositionChanged, this, [this] {
        DoAutoSize();
        RebuildShade();
        Realign();
        update();
    });
    connect(FStatusBar.get(), &TPanelStatusBar::Changed, this, [this] {
        Realign();
        update();
    });
    connect(FBackground.get(), &TPicture::Changed, this, [this] { update(); });
    connect(FAutoSize.get(), &TAutoSize::Changed, this, [this] { DoAutoSize(); });
    RebuildShade();
}

TCustomGradientPanel::~TCustomGradientPanel() {
    if (FPosition->Active()) {
        WritePosition();
    }
}

QString TCustomGradientPanel::Version() const {
    return QString::fromLatin1(kVersion);
}

void TCustomGradientPanel::Loading() {
    FLoading = true;
}

void TCustomGradientPanel::Loaded() {
    FLoading = false;
    if (FPosition->Active()) {
        ReadPosition();
    }
    FLoadedOrigin = QPoint(Left(), Top());
    FLoadedSize = QSize(Width(), Height());
    FSavedCursor = Cursor();
    FSavedColor = Color();
}

bool TCustomGradientPanel::ReadExtra(const QString& name, const TLayoutValue& value) {
    if (name != QLatin1String("FullHeight")) {
        return TPanel::ReadExtra(name, value);
    }
    const auto* number = std::get_if<qint64>(&value);
    if (number == nullptr) {
        throw EReadError("FullHeight: number expected");
    }
    FFullHeight = static_cast<int>(*number);
    return true;
}

// ---- Size bookkeeping

void TCustomGradientPanel::SetHeight(int value) {
    TControl::SetHeight(value);
    if (!FCollaps && !FCollapsing && !LeftCaption()) {
        FFullHeight = value;
    }
}

void TCustomGradientPanel::SetWidth(int value) {
    TControl::SetWidth(value);
    if (LeftCaption() && !FCollaps && !FCollapsing) {
        FFullHeight = value;
    }
}

void TCustomGradientPanel::SetBounds(int left, int top, int width, int height) {
    TPanel::SetBounds(left, top, width, height);
    if (Width() != FLastWidth || Height() != FLastHeight) {
        for (QObject* child : children()) {
            if (auto* control = qobject_cast<TControl*>(child)) {
                control->update();
            }
        }
        update();
        FLastWidth = Width();
        FLastHeight = Height();
    }
}

void TCustomGradientPanel::Resize() {
    repaint();
    TPanel::Resize();
    DoAutoSize();
    const int length = LeftCaption() ? Height() : Width();
    if ((LeftCaption() ? FShade.height() : FShade.width()) != length) {
        RebuildShade();
    }
}

void TCustomGradientPanel::DoAutoSize() {
    if (FLoading || !FAutoSize->Enabled() || FText.isEmpty()) {
        return;
    }
    const TEdgeRect content = TextRect();
    const int extraWidth = Width() - content.Width();
    const int extraHeight = Height() - content.Height();
    const TFormattedText text(FText, TextStyle(*Font(), {}),
                              FAutoSize->Width() ? 0 : content.Width());
    const QSize size = text.Size();
    const int width = FAutoSize->Width() ? size.width() + extraWidth : Width();
    const int height = FAutoSize->Height() ? size.height() + extraHeight : Height();
    if (width != Width() || height != Height()) {
        SetBounds(Left(), Top(), width, height);
        if (!FCollaps && !FCollapsing) {
            FFullHeight = LeftCaption() ? width : height;
        }
    }
}

QRect TCustomGradientPanel::AlignRect() const {
    TEdgeRect r = TEdgeRect::Of(TPanel::AlignRect());
    if (FCaption->Visible()) {
        if (LeftCaption()) {
            r.Left = std::max(r.Left, FCaption->Height());
        } else {
            r.Top = std::max(r.Top, FCaption->Height());
        }
    }
    if (FStatusBar->Visible()) {
        if (LeftCaption()) {
            r.Right = std::min(r.Right, Width() - FStatusBar->Height());
        } else {
            r.Bottom = std::min(r.Bottom, Height() - FStatusBar->Height());
        }
    }
    return r.ToQRect();
}

// ---- Look setters

void TCustomGradientPanel::SetColorTo(TColor value) {
    if (value != FColorTo) {
        FColorTo = value;
        update();
    }
}

void TCustomGradientPanel::SetColorMirror(TColor value) {
    if (value != FColorMirror) {
        FColorMirror = value;
        update();
    }
}

void TCustomGradientPanel::SetColorMirrorTo(TColor value) {
    if (value != FColorMirrorTo) {
        FColorMirrorTo = value;
        update();
    }
}

void TCustomGradientPanel::SetGradientDirection(gp::TGradientDirection value) {
    FGradientDirection = value;
    update();
}

void TCustomGradientPanel::SetBorderStyle(TFormBorderStyle value) {
    value = value == bsNone ? bsNone : bsSingle;
    if (value != FBorderStyle) {
        FBorderStyle = value;
        update();
    }
}

void TCustomGradientPanel::SetBorderColor(TColor value) {
    FBorderColor = value;
    update();
}

void TCustomGradientPanel::SetBorderShadow(bool value) {
    FBorderShadow = value;
    update();
}

void TCustomGradientPanel::SetBackgroundPosition(gp::TBackGroundPosition value) {
    FBackgroundPosition = value;
    update();
}

void TCustomGradientPanel::SetText(const QString& value) {
    FText = value;
    update();
    DoAutoSize();
}

void TCustomGradientPanel::SetTextVAlign(gp::TTextVAlignment value) {
    FTextVAlign = value;
    update();
}

void TCustomGradientPanel::SetIndent(int value) {
    FIndent = value;
    update();
}

void TCustomGradientPanel::SetTopIndent(int value) {
    FTopIndent = value;
    update();
}

void TCustomGradientPanel::SetLineSpacing(int value) {
    FLineSpacing = value;
    update();
}

void TCustomGradientPanel::SetEllipsis(bool value) {
    FEllipsis = value;
    update();
}

void TCustomGradientPanel::SetURLColor(TColor value) {
    FURLColor = value;
    update();
}

void TCustomGradientPanel::SetShadowColor(TColor value) {
    FShadowColor = value;
    update();
}

void TCustomGradientPanel::SetShadowOffset(int value) {
    FShadowOffset = value;
    update();
}

void TCustomGradientPanel::SetCanSize(bool value) {
    FCanSize = value;
    update();
}

void TCustomGradientPanel::RebuildShade() {
    FShade = BuildShade(*FCaption, Width(), Height());
}

// ---- Collapse and expand

void TCustomGradientPanel::SetCollaps(bool value) {
    if (FCollaps && !value && OnMaximize) {
        OnMaximize(this);
    } else if (!FCollaps && value && OnMinimize) {
        OnMinimize(this);
    }
    if (FCollapsing) {
        return;
    }
    if (value != FCollaps) {
        const QPointer<TCustomGradientPanel> self(this);
        FCollapsing = true;
        FCollaps = value;
        if (!FLoading) {
            if (value) {
                Collapse();
            } else {
                Expand();
            }
            if (!self) {
                return;
            }
        }
        FCollapsing = false;
    }
    StateChanged();
    if (OnEndCollapsExpand) {
        OnEndCollapsExpand(this);
    }
}

void TCustomGradientPanel::SetCollapsedHeight(int value) {
    if (LeftCaption()) {
        SetWidth(value);
    } else {
        SetHeight(value);
    }
}

void TCustomGradientPanel::AnimationPause() {
    const int delay = FCollapsDelay;
    QCoreApplication::processEvents();
    if (delay > 0) {
        QThread::msleep(static_cast<unsigned long>(delay));
    }
}

void TCustomGradientPanel::Collapse() {
    const QPointer<TCustomGradientPanel> self(this);
    const bool left = LeftCaption();
    const int statusHeight = FStatusBar->Visible() ? FStatusBar->Height() : 0;
    const int borders = left ? 0 : 2 * BorderWidth();
    FFullHeight = left ? Width() : Height();
    if (FAutoHideChildren) {
        ShowChildren(false);
    }
    FSavedColor = Color();
    if (FCollapsSteps > 0) {
        SetColor(FCollapsColor);
        const int length = left ? Width() : Height();
        const int step = (length - FCaption->Height() - statusHeight - borders) / FCollapsSteps;
        for (int i = 0; i < FCollapsSteps; ++i) {
            SetCollapsedHeight((left ? Width() : Height()) - step);
            AnimationPause();
            if (!self) {
                return;
            }
        }
    }
    SetCollapsedHeight(FCaption->Height() + statusHeight + borders);
}

void TCustomGradientPanel::Expand() {
    const QPointer<TCustomGradientPanel> self(this);
    const bool left = LeftCaption();
    const int statusHeight = FStatusBar->Visible() ? FStatusBar->Height() : 0;
    if (FCollapsSteps > 0) {
        SetColor(FSavedColor);
        const int step = (FFullHeight - FCaption->Height() - statusHeight) / FCollapsSteps;
        for (int i = 0; i < FCollapsSteps; ++i) {
            SetCollapsedHeight((left ? Width() : Height()) + step);
            AnimationPause();
            if (!self) {
                return;
            }
        }
    }
    SetCollapsedHeight(FFullHeight);
    if (FAutoHideChildren) {
        ShowChildren(true);
    }
}

void TCustomGradientPanel::ShowChildren(bool visible) {
    for (QObject* child : children()) {
        if (auto* control = qobject_cast<TControl*>(child)) {
            control->SetVisible(visible);
        }
    }
}

// ---- Position persistence

namespace {

std::unique_ptr<QSettings> OpenSettings(const TPanelPosition& position) {
    auto settings = position.Location() == gp::clInifile
                        ? std::make_unique<QSettings>(position.Key(), QSettings::IniFormat)
                        : std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                      position.Key());
    settings->beginGroup(position.Section());
    return settings;
}

}  // namespace

void TCustomGradientPanel::ReadPosition() {
    const auto settings = OpenSettings(*FPosition);
    const auto read = [&](const char* name, int current) {
        bool ok = false;
        const int value = settings->value(QLatin1String(name), current).toInt(&ok);
        return ok ? value : current;
    };
    SetTop(read("Top", Top()));
    SetLeft(read("Left", Left()));
    SetHeight(read("Height", Height()));
    SetWidth(read("Width", Width()));
    // The flag is written as a Boolean, which the INI form keeps as "true": accept both forms.
    const QVariant collaps = settings->value(QStringLiteral("Collaps"), 0);
    if (collaps.toInt() == 1 || collaps.toString() == QLatin1String("true")) {
        SetCollaps(true);
    }
    FFullHeight = read("FullHeight", Height());
}

void TCustomGradientPanel::WritePosition() {
    const auto settings = OpenSettings(*FPosition);
    settings->setValue(QStringLiteral("Top"), Top());
    settings->setValue(QStringLiteral("Left"), Left());
    settings->setValue(QStringLiteral("Height"), Height());
    settings->setValue(QStringLiteral("FullHeight"), FFullHeight);
    settings->setValue(QStringLiteral("Width"), Width());
    settings->setValue(QStringLiteral("Collaps"), FCollaps);
}

// ---- Painting

void TCustomGradientPanel::Paint() {
    TCanvas& target = Canvas();
    if (!FBuffered) {
        PaintTo(target);
        return;
    }
    // The buffer has the target's pixel density: one pixel per unit would be scaled up, and
    // blurred, on a high-density screen.
    const qreal ratio = target.Painter().device()->devicePixelRatio();
    QImage buffer(QSize(std::max(Width(), 1), std::max(Height(), 1)) * ratio, QImage::Format_RGB32);
    buffer.setDevicePixelRatio(ratio);
    // A mirror gradient without a first colour draws no background: the buffer then starts
    // white, as a new bitmap does, instead of showing whatever its memory held.
    if (FColorTo != clNone && FColorMirror != clNone && Color() == clNone) {
        buffer.fill(Qt::white);
    }
    {
        TCanvas canvas(&buffer);
        canvas.Font().Assign(*Font());
        PaintTo(canvas);
    }
    target.Painter().drawImage(0, 0, buffer);
}

void TCustomGradientPanel::PaintTo(TCanvas& canvas) {
    const TEdgeRect client = TEdgeRect::Of(ClientRect());
    TEdgeRect r = client;
    PaintBackground(canvas, r);
    PaintBorder(canvas, r);
    PaintBevels(canvas, r);

    canvas.Brush.Color = Color();
    canvas.Pen.Color = Color();
    r = BodyRect();
    QPainter& p = canvas.Painter();
    p.save();
    p.setClipRect(r.ToQRect());
    PaintPicture(canvas, r);
    PaintText(canvas);
    p.restore();

    if (FCaption->Visible()) {
        PaintCaption(canvas);
    }
    if (FStatusBar->Visible()) {
        PaintStatusBar(canvas);
    }
    if (FCanSize && !FCollaps) {
        PaintSizeGrip(canvas);
    }
    if (OnPaint) {
        OnPaint(this, canvas, ClientRect());
    }
}

void TCustomGradientPanel::PaintBackground(TCanvas& canvas, TEdgeRect r) {
    if (FColorTo == clNone) {
        canvas.Brush.Color = Color();
        canvas.Pen.Color = Color();
        canvas.Painter().fillRect(r.ToQRect(), ToQColor(Color()));
    } else if (FColorMirror == clNone) {
        DrawPanelGradient(canvas, Color(), FColorTo, kPanelGradientSteps, r, Horizontal());
    } else if (Color() != clNone) {
        TEdgeRect nearHalf = r;
        TEdgeRect farHalf = r;
        if (Horizontal()) {
            nearHalf.Right = farHalf.Left = r.Left + (r.Right - r.Left) / 2;
        } else {
            nearHalf.Bottom = farHalf.Top = r.Top + (r.Bottom - r.Top) / 2;
        }
        DrawPanelGradient(canvas, Color(), FColorTo, kMirrorGradientSteps, nearHalf, Horizontal());
        DrawPanelGradient(canvas, FColorMirror, FColorMirrorTo, kMirrorGradientSteps, farHalf,
                          Horizontal());
    }
}

void TCustomGradientPanel::PaintBorder(TCanvas& canvas, TEdgeRect& r) {
    if (FBorderColor == clNone || BorderWidth() <= 0) {
        return;
    }
    canvas.Brush.Style = bsClear;
    canvas.Pen.Color = FBorderColor;
    canvas.Pen.Width = 1;
    if (FBorderShadow) {
        r.Right -= 2;
        r.Bottom -= 2;
    }
    canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    if (FBorderShadow) {
        canvas.Pen.Color = BlendColor(FBorderColor, clBtnFace, 50);
        canvas.MoveTo(r.Right, r.Top);
        canvas.LineTo(r.Right, r.Bottom);
        canvas.LineTo(r.Left, r.Bottom);
        canvas.Pen.Color = BlendColor(FBorderColor, clBtnFace, 20);
        canvas.MoveTo(r.Right + 1, r.Top);
        canvas.LineTo(r.Right + 1, r.Bottom + 1);
        canvas.LineTo(r.Left, r.Bottom + 1);
    }
    canvas.Brush.Style = bsSolid;
}

void TCustomGradientPanel::PaintBevels(TCanvas& canvas, TEdgeRect& r) {
    const auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone) {
            return;
        }
        const bool lowered = cut == bvLowered;
        DrawBevelFrame(canvas, r, lowered ? clBtnShadow : clBtnHighlight,
                       lowered ? clBtnHighlight : clBtnShadow, BevelWidth());
    };
    bevel(BevelOuter());
    if (FBorderColor == clNone) {
        DrawBevelFrame(canvas, r, Color(), Color(), 1);
    }
    bevel(BevelInner());
}

void TCustomGradientPanel::PaintPicture(TCanvas& canvas, const TEdgeRect& r) {
    TGraphic* graphic = FBackground->Graphic();
    if (graphic == nullptr || graphic->Empty()) {
        return;
    }
    const int w = graphic->Width();
    const int h = graphic->Height();
    const int rightX = std::max(r.Left, r.Right - r.Left - w - BevelWidth());
    const int bottomY = std::max(r.Top, Height() - h - BevelWidth());
    switch (FBackgroundPosition) {
        case gp::bpTopLeft:
            canvas.Draw(r.Left, r.Top, *graphic);
            break;
        case gp::bpTopRight:
            canvas.Draw(rightX, r.Top, *graphic);
            break;
        case gp::bpBottomLeft:
            canvas.Draw(r.Left, bottomY, *graphic);
            break;
        case gp::bpBottomRight:
            canvas.Draw(rightX, bottomY, *graphic);
            break;
        case gp::bpTiled:
            for (int y = r.Top; y < Height(); y += h) {
                for (int x = r.Left; x < Width(); x += w) {
                    canvas.Draw(x, y, *graphic);
                }
            }
            break;
        case gp::bpStretched:
            canvas.StretchDraw(r.ToQRect(), *graphic);
            break;
        case gp::bpCenter:
            canvas.Draw(rightX / 2, bottomY / 2, *graphic);
            break;
    }
}

TFormattedTextStyle TCustomGradientPanel::TextStyle(const TFont& font,
                                                    const QString& hoverAnchor) const {
    TFormattedTextStyle style;
    style.Font = font.ToQFont();
    style.Color = ToQColor(font.Color());
    style.UrlColor = ToQColor(FURLColor);
    style.LineSpacing = FLineSpacing;
    style.Ellipsis = FEllipsis;
    if (FShadowColor != clNone) {
        style.ShadowColor = ToQColor(FShadowColor);
        style.ShadowOffset = FShadowOffset;
    }
    if (FHover && !hoverAnchor.isEmpty()) {
        style.HoverAnchor = hoverAnchor;
        if (FHoverColor != clNone) {
            style.HoverColor = ToQColor(FHoverColor);
        }
        if (FHoverFontColor != clNone) {
            style.HoverFontColor = ToQColor(FHoverFontColor);
        }
    }
    return style;
}

// The client area less the caption bar and the border shadow.
TEdgeRect TCustomGradientPanel::BodyRect() const {
    TEdgeRect r = TEdgeRect::Of(ClientRect());
    if (FCaption->Visible()) {
        const int room = FCaption->Height() - 2 * BevelWidth();
        if (LeftCaption()) {
            r.Left += room + 2;
        } else {
            r.Top += room;
        }
    }
    if (FBorderShadow) {
        r.Right -= 2;
        r.Bottom -= 3;
    }
    return r;
}

// The rectangle of the text before its vertical placement (panel text and its measuring).
TEdgeRect TCustomGradientPanel::TextRect() const {
    TEdgeRect r = BodyRect();
    r.Inflate(-BorderWidth(), -BorderWidth());
    r.Left += FIndent;
    r.Top += FTopIndent;
    if (FStatusBar->Visible()) {
        if (LeftCaption()) {
            r.Right -= FStatusBar->Height();
        } else {
            r.Bottom -= FStatusBar->Height();
        }
    }
    return r;
}

void TCustomGradientPanel::PaintText(TCanvas& canvas) {
    if (FText.isEmpty()) {
        return;
    }
    canvas.Font().Assign(*Font());
    TEdgeRect r = TextRect();
    const TFormattedText text(FText, TextStyle(*Font(), FHoverAnchor), r.Width());
    const int h = text.Size().height();
    if (FTextVAlign != gp::tvaTop && h < r.Height()) {
        r.Top = FTextVAlign == gp::tvaCenter ? r.Top + (r.Bottom - r.Top - h) / 2 : r.Bottom - h;
    }
    text.Draw(canvas.Painter(), QPoint(r.Left, r.Top), r.ToQRect());
}

QString TCustomGradientPanel::AnchorIn(const QString& markup, const TFont& font, TEdgeRect r,
                                       bool aligned, int x, int y) const {
    if (markup.isEmpty() || !r.Contains(x, y)) {
        return {};
    }
    const TFormattedText text(markup, TextStyle(font, {}), r.Width());
    const int h = text.Size().height();
    if (aligned && FTextVAlign != gp::tvaTop && h < r.Height()) {
        r.Top = FTextVAlign == gp::tvaCenter ? r.Top + (r.Bottom - r.Top - h) / 2 : r.Bottom - h;
    }
    return text.AnchorAt(QPoint(x - r.Left, y - r.Top));
}

// The anchor under a point in the panel's text, or in the caption or status bar text when
// those run along the top and bottom (rotated side texts are single plain lines).
QString TCustomGradientPanel::AnchorAt(int x, int y) const {
    QString anchor = AnchorIn(FText, *Font(), TextRect(), true, x, y);
    if (anchor.isEmpty() && FCaption->Visible() && !LeftCaption()) {
        anchor = AnchorIn(FCaption->Text(), *FCaption->Font(), CaptionTextRect(), false, x, y);
    }
    if (anchor.isEmpty() && FStatusBar->Visible() && !LeftCaption()) {
        anchor = AnchorIn(FStatusBar->Text(), *FStatusBar->Font(), StatusTextRect(), false, x, y);
    }
    return anchor;
}

// ---- Caption bar

TEdgeRect TCustomGradientPanel::CaptionBase() const {
    TEdgeRect b = TEdgeRect::Of(ClientRect());
    if (FBorderShadow) {
        b.Left = BorderWidth();
        b.Top = BorderWidth();
        b.Right -= BorderWidth() + 2;
    }
    if (BevelOuter() != bvNone || BevelInner() != bvNone) {
        b.Inflate(-BevelWidth(), -BevelWidth());
    }
    return b;
}

TEdgeRect TCustomGradientPanel::CaptionBand() const {
    const TEdgeRect b = CaptionBase();
    const int thickness = FCaption->Height() - 2 * BevelWidth();
    if (LeftCaption()) {
        return {b.Left, b.Top, b.Left + thickness, b.Bottom};
    }
    return {b.Left, b.Top, b.Right, b.Top + thickness};
}

int TCustomGradientPanel::ButtonSize() const {
    int w = kCaptionButtonSize;
    if (!FCaption->CloseMinGlyph().Empty() && !FCaption->CloseMaxGlyph().Empty()) {
        w = FCaption->CloseMinGlyph().Width();
    }
    if (!FCaption->MinGlyph().Empty() && !FCaption->MaxGlyph().Empty()) {
        w = FCaption->MaxGlyph().Width();
    }
    return w;
}

void TCustomGradientPanel::PaintCaption(TCanvas& canvas) {
    const TColor color = FCollaps ? FCaption->CloseColor() : FCaption->Color();
    canvas.Pen.Color = color;
    canvas.Brush.Color = color;
    TEdgeRect band = CaptionBand();
    const gp::TShadeType shade = FCaption->ShadeType();
    if (shade != gp::stNormal && shade != gp::stXPCaption) {
        PaintShadedBar(canvas, band);
    } else {
        if (LeftCaption() && FBorderShadow) {
            band.Bottom -= 3;
        }
        if (FCaption->ColorTo() == clNone) {
            canvas.Painter().fillRect(band.ToQRect(), ToQColor(color));
        } else {
            DrawPanelGradient(canvas, FCaption->Color(), FCaption->ColorTo(), kCaptionGradientSteps,
                              band, FCaption->GradientDirection() == gp::gdHorizontal);
        }
    }
    TEdgeRect b = CaptionBase();
    PaintCaptionButtons(canvas, b);
    PaintCaptionText(canvas, b);
}

void TCustomGradientPanel::PaintShadedBar(TCanvas& canvas, TEdgeRect band) {
    QPainter& p = canvas.Painter();
    const TBitmap& picture = FCaption->Background();
    const bool top = !LeftCaption();
    switch (FCaption->ShadeType()) {
        case gp::stBitmap:
            if (!picture.Empty()) {
                p.drawImage(band.ToQRect(), FCaption->Background().ToImage());
            }
            return;
        case gp::stBitmapRStretch:
        case gp::stBitmapLStretch: {
            if (picture.Empty()) {
                return;
            }
            const QImage image = FCaption->Background().ToImage();
            const int w = image.width();
            const int h = image.height();
            const bool right = FCaption->ShadeType() == gp::stBitmapRStretch;
            if (top && right) {
                p.drawImage(band.Left, band.Top, image);
                p.drawImage(QRect(band.Left + w, band.Top, band.Right - band.Left - w, h), image,
                            QRect(w - 3, 0, 3, h));
            } else if (top) {
                const int x = band.Left + std::max(0, Width() - w);
                p.drawImage(QRect(0, band.Top, x, h), image, QRect(0, 0, 2, h));
                p.drawImage(x, band.Top, image);
            } else if (right) {
                p.drawImage(band.Left, band.Bottom - h, image);
                p.drawImage(QRect(band.Left, band.Top, w, band.Bottom - h - band.Top), image,
                            QRect(0, 0, w, 3));
            } else {
                p.drawImage(band.Left, band.Top, image);
                p.drawImage(QRect(band.Left, band.Top + h, w, band.Bottom - band.Top - h), image,
                            QRect(0, h - 3, w, 3));
            }
            return;
        }
        default:
            break;
    }
    p.save();
    if (FCaption->Shape() == gp::csRectangle) {
        if (!FCaption->Flat()) {
            TEdgeRect edge = band;
            DrawBevelFrame(canvas, edge, clWhite, clGray, 1);
            band.Inflate(-1, -1);
        }
        p.setClipRect(band.ToQRect());
        p.drawImage(band.Left, band.Top, FShade);
    } else {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(band.ToQRect()), kShadeCornerSize / 2.0,
                             kShadeCornerSize / 2.0);
        if (FCaption->Shape() == gp::csSemiRounded) {
            QPainterPath square;
            square.addRect(QRectF(band.Left, band.Top, band.Width() / 2.0, band.Height()));
            shape = shape.united(square);
        }
        p.setClipPath(shape);
        p.drawImage(band.Left, band.Top, FShade);
        p.setClipping(false);
        p.setBrush(Qt::NoBrush);
        p.setPen(ToQColor(clGray));
        p.drawPath(shape);
        p.setPen(ToQColor(clWhite));
        p.drawPath(shape.translated(1, 1));
    }
    p.restore();
}

void TCustomGradientPanel::PaintCaptionButtons(TCanvas& canvas, TEdgeRect& b) {
    const bool top = !LeftCaption();
    const bool rightEnd = FCaption->ButtonPosition() == gp::cbpRight;
    // Top-left corner of the 6 x 6 figure area at the button end of b.
    const auto figureOrigin = [&]() -> QPoint {
        if (top) {
            return rightEnd ? QPoint(b.Right - 10, b.Top + 4) : QPoint(b.Left + 4, b.Top + 4);
        }
        return rightEnd ? QPoint(b.Left + 4, b.Top + 4) : QPoint(b.Left + 4, b.Bottom - 10);
    };
    const auto glyphPlace = [&](TBitmap& glyph) -> QPoint {
        if (top) {
            return rightEnd ? QPoint(b.Right - glyph.Width(), b.Top + 2)
                            : QPoint(b.Left, b.Top + 2);
        }
        return rightEnd ? QPoint(b.Left + 2, b.Top) : QPoint(b.Left + 2, b.Bottom - glyph.Height());
    };
    if (FCaption->CloseButton()) {
        TBitmap& minGlyph = FCaption->CloseMinGlyph();
        TBitmap& maxGlyph = FCaption->CloseMaxGlyph();
        int shrink = kCaptionButtonSize;
        if (!minGlyph.Empty() && !maxGlyph.Empty()) {
            TBitmap& glyph = FCollaps ? minGlyph : maxGlyph;
            const QPoint at = glyphPlace(glyph);
            DrawTransparent(canvas, at.x(), at.y(), glyph);
            shrink = top ? glyph.Width() : glyph.Height();
        } else {
            const TColor hover = FCaption->CloseButtonHoverColor();
            canvas.Pen.Color =
                FCloseHovered && hover != clNone ? hover : FCaption->CloseButtonColor();
            canvas.Pen.Width = 2;
            const QPoint o = figureOrigin();
            canvas.MoveTo(o.x(), o.y());
            canvas.LineTo(o.x() + 6, o.y() + 6);
            canvas.MoveTo(o.x() + 6, o.y());
            canvas.LineTo(o.x(), o.y() + 6);
            canvas.Pen.Width = 1;
        }
        if (top) {
            (rightEnd ? b.Right : b.Left) += rightEnd ? -shrink : shrink;
        } else {
            (rightEnd ? b.Top : b.Bottom) += rightEnd ? shrink : -shrink;
        }
    }
    if (FCaption->MinMaxButton()) {
        TBitmap& glyph = FCollaps ? FCaption->MaxGlyph() : FCaption->MinGlyph();
        if (!glyph.Empty()) {
            const QPoint at = glyphPlace(glyph);
            DrawTransparent(canvas, at.x(), at.y(), glyph);
        } else {
            const TColor hover = FCaption->MinMaxButtonHoverColor();
            const TColor color =
                FMinMaxHovered && hover != clNone ? hover : FCaption->MinMaxButtonColor();
            canvas.Pen.Color = color;
            canvas.Pen.Width = 1;
            canvas.Brush.Color = color;
            canvas.Brush.Style = bsSolid;
            // The collapsed panel's triangle points to the open side, the expanded one back.
            const int nearOffset = FCollaps ? 5 : 8;
            const int farOffset = FCollaps ? 8 : 5;
            QList<QPoint> points;
            if (top) {
                const int x = rightEnd ? b.Right - 10 : b.Left + 4;
                points = {{x, b.Top + nearOffset},
                          {x + 6, b.Top + nearOffset},
                          {x + 3, b.Top + farOffset}};
            } else if (rightEnd) {
                points = {{b.Left + nearOffset, b.Top + 10},
                          {b.Left + nearOffset, b.Top + 4},
                          {b.Left + farOffset, b.Top + 7}};
            } else {
                points = {{b.Left + nearOffset, b.Bottom - 4},
                          {b.Left + nearOffset, b.Bottom - 10},
                          {b.Left + farOffset, b.Bottom - 7}};
            }
            canvas.Polygon(points);
        }
    }
}

// The caption text's rectangle for a caption along the top: the base rectangle less the close
// button at the button end, 20 pixels for each button, and the indents.
TEdgeRect TCustomGradientPanel::CaptionTextRect() const {
    TEdgeRect b = CaptionBase();
    const bool rightEnd = FCaption->ButtonPosition() == gp::cbpRight;
    int shrink = 0;
    if (FCaption->CloseButton()) {
        const TBitmap& minGlyph = FCaption->CloseMinGlyph();
        const TBitmap& maxGlyph = FCaption->CloseMaxGlyph();
        shrink = !minGlyph.Empty() && !maxGlyph.Empty() ? (FCollaps ? minGlyph : maxGlyph).Width()
                                                        : kCaptionButtonSize;
    }
    shrink += kCaptionTextButtonRoom *
              ((FCaption->CloseButton() ? 1 : 0) + (FCaption->MinMaxButton() ? 1 : 0));
    (rightEnd ? b.Right : b.Left) += rightEnd ? -shrink : shrink;
    b.Bottom = b.Top + FCaption->Height();
    b.Left += FCaption->Indent();
    b.Top += FCaption->TopIndent();
    return b;
}

void TCustomGradientPanel::PaintCaptionText(TCanvas& canvas, TEdgeRect b) {
    const TFont& font = *FCaption->Font();
    if (FCaption->Text().isEmpty()) {
        return;
    }
    if (!LeftCaption()) {
        const TEdgeRect r = CaptionTextRect();
        TFormattedTextStyle style = TextStyle(font, FHoverAnchor);
        style.Ellipsis = false;
        const TFormattedText text(FCaption->Text(), style, r.Width());
        text.Draw(canvas.Painter(), QPoint(r.Left, r.Top), r.ToQRect());
        return;
    }
    const int room = kCaptionTextButtonRoom *
                     ((FCaption->CloseButton() ? 1 : 0) + (FCaption->MinMaxButton() ? 1 : 0));
    const bool rightEnd = FCaption->ButtonPosition() == gp::cbpRight;
    (rightEnd ? b.Top : b.Bottom) += rightEnd ? room : -room;
    b.Right = b.Left + FCaption->Height();
    b.Bottom -= FCaption->Indent();
    b.Left += FCaption->TopIndent();
    canvas.Brush.Style = bsClear;
    DrawRotatedLine(canvas, font, PlainText(FCaption->Text()), b);
    canvas.Brush.Style = bsSolid;
}

// ---- Status bar and size grip

TEdgeRect TCustomGradientPanel::StatusRect() const {
    const int h = FStatusBar->Height();
    return LeftCaption() ? TEdgeRect{Width() - h - 1, 1, Width() - 1, Height() - 1}
                         : TEdgeRect{1, Height() - h - 1, Width() - 1, Height() - 1};
}

TEdgeRect TCustomGradientPanel::StatusTextRect() const {
    TEdgeRect t = StatusRect();
    t.Left += 2;
    return t;
}

void TCustomGradientPanel::PaintStatusBar(TCanvas& canvas) {
    const TEdgeRect s = StatusRect();
    const TColor color = FStatusBar->Color();
    if (color != clNone && FStatusBar->ColorTo() != clNone) {
        DrawPanelGradient(canvas, color, FStatusBar->ColorTo(), kStatusGradientSteps, s,
                          FStatusBar->GradientDirection() == gp::gdHorizontal);
    } else if (color != clNone) {
        canvas.Pen.Color = color;
        canvas.Brush.Color = color;
        canvas.Painter().fillRect(s.ToQRect(), ToQColor(color));
    }
    if (!FStatusBar->Text().isEmpty()) {
        const TFont& font = *FStatusBar->Font();
        if (!LeftCaption()) {
            const TEdgeRect t = StatusTextRect();
            TFormattedTextStyle style = TextStyle(font, FHoverAnchor);
            style.Ellipsis = false;
            const TFormattedText text(FStatusBar->Text(), style, t.Width());
            text.Draw(canvas.Painter(), QPoint(t.Left, t.Top), t.ToQRect());
        } else {
            const int bottom = FCanSize && !FCollaps ? s.Bottom - 16 : s.Bottom - 2;
            DrawRotatedLine(canvas, font, PlainText(FStatusBar->Text()),
                            {s.Left + 2, s.Top, s.Right, bottom});
        }
    }
    if (FStatusBar->BorderStyle() == bsSingle && FStatusBar->BorderColor() != clNone) {
        canvas.Brush.Style = bsClear;
        canvas.Pen.Color = FStatusBar->BorderColor();
        if (LeftCaption()) {
            canvas.Rectangle(s.Left, s.Top, s.Right + 1, Height());
        } else {
            canvas.Rectangle(0, s.Top, s.Right + 1, s.Bottom + 1);
        }
        canvas.Brush.Style = bsSolid;
    }
    if (FStatusBar->BevelInner()) {
        const int left = LeftCaption() ? s.Left : 0;
        const int bottom = LeftCaption() ? Height() : s.Bottom;
        canvas.Pen.Color = clGray;
        canvas.Polyline({{left, bottom - 1}, {left, s.Top}, {s.Right, s.Top}});
        canvas.Pen.Color = clWhite;
        canvas.Polyline({{left, bottom - 1}, {s.Right - 1, bottom - 1}, {s.Right - 1, s.Top}});
    }
}

void TCustomGradientPanel::PaintSizeGrip(TCanvas& canvas) {
    TEdgeRect r = TEdgeRect::Of(ClientRect());
    if (BevelOuter() != bvNone || BevelInner() != bvNone) {
        r.Inflate(-2 * BevelWidth(), -2 * BevelWidth());
    }
    if (FBorderShadow) {
        r.Right -= 4;
        r.Bottom -= 4;
    }
    const auto line = [&](int fromDy, int toDx) {
        canvas.MoveTo(r.Right, r.Bottom - fromDy);
        canvas.LineTo(r.Right - toDx, r.Bottom);
    };
    canvas.Pen.Color = clGray;
    canvas.Pen.Width = 2;
    line(11, 11);
    line(6, 7);
    line(3, 3);
    canvas.Pen.Color = clWhite;
    canvas.Pen.Width = 1;
    line(12, 12);
    line(8, 8);
    line(4, 4);
}

// ---- Caption input

TEdgeRect TCustomGradientPanel::ButtonSquare(const TEdgeRect& client, int w, bool forMinMax) const {
    TEdgeRect c = client;
    const bool top = !LeftCaption();
    const bool rightEnd = FCaption->ButtonPosition() == gp::cbpRight;
    if (forMinMax && FCaption->CloseButton()) {
        if (top) {
            (rightEnd ? c.Right : c.Left) += rightEnd ? -w : w;
        } else {
            (rightEnd ? c.Top : c.Bottom) += rightEnd ? w : -w;
        }
    }
    if (top && rightEnd) {
        return {c.Right - w - 2, c.Top + 2, c.Right - 2, c.Top + w + 2};
    }
    if (!top && !rightEnd) {
        return {c.Left + 2, c.Bottom - w - 2, c.Left + w + 2, c.Bottom - 2};
    }
    return {c.Left + 2, c.Top + 2, c.Left + w + 2, c.Top + w + 2};
}

bool TCustomGradientPanel::InCloseButton(int x, int y) const {
    return FCaption->Visible() && FCaption->CloseButton() &&
           ButtonSquare(TEdgeRect::Of(ClientRect()), ButtonSize(), false).Contains(x, y);
}

bool TCustomGradientPanel::InMinMaxButton(int x, int y) const {
    return FCaption->Visible() && FCaption->MinMaxButton() &&
           ButtonSquare(TEdgeRect::Of(ClientRect()), ButtonSize(), true).Contains(x, y);
}

bool TCustomGradientPanel::InCaptionBand(int x, int y, bool shrunk) const {
    if (!FCaption->Visible()) {
        return false;
    }
    const TEdgeRect c = TEdgeRect::Of(ClientRect());
    if (LeftCaption()) {
        return TEdgeRect{c.Left, c.Top, c.Left + FCaption->Height(), c.Bottom}.Contains(x, y);
    }
    const int right = shrunk && FCaption->CloseButton() ? c.Right - ButtonSize() : c.Right;
    return TEdgeRect{c.Left, c.Top, right - 2, c.Top + FCaption->Height()}.Contains(x, y);
}

bool TCustomGradientPanel::InSizeGrip(int x, int y) const {
    const int arrow = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return FCanSize && !FCollaps && x > Width() - arrow && y > Height() - arrow;
}

void TCustomGradientPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const QPointer<TCustomGradientPanel> self(this);
    FLastMouse = QPoint(x, y);
    TPanel::MouseDown(button, shift, x, y);
    if (!self) {
        return;
    }
    const QString anchor = AnchorAt(x, y);
    if (!anchor.isEmpty()) {
        if (IsShellAnchor(anchor)) {
            QDesktopServices::openUrl(QUrl(anchor));
        } else if (OnAnchorClick) {
            OnAnchorClick(this, anchor);
        }
        return;
    }
    if (button != mbLeft) {
        return;
    }
    FDragChanged = false;
    if (InSizeGrip(x, y)) {
        FDrag = TDrag::Size;
        FDragStart = QPoint(x, y);
        FDragBounds = BoundsRect();
        raise();
        return;
    }
    if (FCanMove && InCaptionBand(x, y, true) && !InCloseButton(x, y) && !InMinMaxButton(x, y)) {
        FMoving = true;
        FDrag = TDrag::Move;
        FDragStart = QPoint(x, y);
        FDragBounds = BoundsRect();
        raise();
        if (FShowMoveCursor) {
            SetCursor(crSizeAll);
        }
    }
}

void TCustomGradientPanel::MouseMove(TShiftState shift, int x, int y) {
    TPanel::MouseMove(shift, x, y);
    if (FDrag == TDrag::Move) {
        const int left = FFixedLeft ? Left() : Left() + x - FDragStart.x();
        const int top = FFixedTop ? Top() : Top() + y - FDragStart.y();
        FDragChanged = FDragChanged || left != Left() || top != Top();
        SetBounds(left, top, Width(), Height());
        return;
    }
    if (FDrag == TDrag::Size) {
        const int width = FFixedWidth ? FLoadedSize.width()
                                      : std::max(0, FDragBounds.width() + x - FDragStart.x());
        const int height = FFixedHeight ? FLoadedSize.height()
                                        : std::max(0, FDragBounds.height() + y - FDragStart.y());
        FDragChanged = FDragChanged || width != Width() || height != Height();
        SetBounds(Left(), Top(), width, height);
        FFullHeight = LeftCaption() ? width : height;
        return;
    }
    if (FMoving) {
        FMoving = false;
        SetCursor(FSavedCursor);
    }
    if (FCaption->Visible()) {
        if (FCaption->CloseButtonHoverColor() != clNone) {
            const bool hovered = InCloseButton(x, y);
            if (hovered != FCloseHovered) {
                FCloseHovered = hovered;
                update();
            }
        }
        if (FCaption->MinMaxButtonHoverColor() != clNone) {
            const bool hovered = InMinMaxButton(x, y);
            if (hovered != FMinMaxHovered) {
                FMinMaxHovered = hovered;
                update();
            }
        }
    }
    const QString anchor = AnchorAt(x, y);
    if (anchor != FHoverAnchor) {
        const QString old = FHoverAnchor;
        FHoverAnchor = anchor;
        if (!old.isEmpty() && OnAnchorExit) {
            OnAnchorExit(this, old);
        }
        if (!anchor.isEmpty() && OnAnchorEnter) {
            OnAnchorEnter(this, anchor);
        }
        if (anchor.isEmpty()) {
            SetCursor(FSavedCursor);
        } else {
            setCursor(Qt::PointingHandCursor);
        }
        if (FAnchorHint) {
            QString hint = anchor;
            if (!anchor.isEmpty() && OnAnchorHint) {
                OnAnchorHint(this, hint);
            }
            setToolTip(hint);
        }
        if (FHover) {
            update();
        }
    }
}

void TCustomGradientPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const QPointer<TCustomGradientPanel> self(this);
    FLastMouse = QPoint(x, y);
    TPanel::MouseUp(button, shift, x, y);
    if (!self) {
        return;
    }
    // A press that moved or sized the panel ends there: the release is no caption click. A
    // press that changed nothing is a plain click.
    if (FDrag != TDrag::None) {
        const bool sizing = FDrag == TDrag::Size;
        FDrag = TDrag::None;
        if (FDragChanged) {
            if (OnEndMoveSize) {
                OnEndMoveSize(this);
            }
            return;
        }
        if (sizing) {
            return;
        }
    }
    if (!FCaption->Visible()) {
        return;
    }
    if (InCloseButton(x, y)) {
        ClosePanel();
        return;
    }
    bool buttonHit = false;
    if (InMinMaxButton(x, y)) {
        SetCollaps(!FCollaps);
        buttonHit = true;
        if (!self) {
            return;
        }
    }
    if (InCaptionBand(x, y, true)) {
        if (FCaption->MinMaxCaption() && !buttonHit) {
            SetCollaps(!FCollaps);
            if (!self) {
                return;
            }
        }
        if (OnCaptionClick) {
            OnCaptionClick(this);
        }
    }
}

void TCustomGradientPanel::ClosePanel() {
    const QPointer<TCustomGradientPanel> self(this);
    SetVisible(false);
    if (OnClose) {
        OnClose(this);
    }
    if (self && FFreeOnClose) {
        deleteLater();
    }
}

void TCustomGradientPanel::DblClick() {
    TPanel::DblClick();
    if (InCaptionBand(FLastMouse.x(), FLastMouse.y(), false) && OnCaptionDBlClick) {
        OnCaptionDBlClick(this);
    }
}

void TCustomGradientPanel::MouseLeave() {
    TPanel::MouseLeave();
    if (FCloseHovered || FMinMaxHovered) {
        FCloseHovered = false;
        FMinMaxHovered = false;
        update();
    }
    if (!FHoverAnchor.isEmpty()) {
        const QString old = FHoverAnchor;
        FHoverAnchor.clear();
        if (OnAnchorExit) {
            OnAnchorExit(this, old);
        }
        if (FHover) {
            update();
        }
    }
}

// ---- Registration

void RegisterGradientPanel() {
    TClassRegistry::Instance().RegisterControl<TGradientPanel>(QStringLiteral("TGradientPanel"));
    TEventRegistry& events = TEventRegistry::Instance();
    events.Add("OnCaptionClick", &TCustomGradientPanel::OnCaptionClick);
    events.Add("OnCaptionDBlClick", &TCustomGradientPanel::OnCaptionDBlClick);
    events.Add("OnAnchorClick", &TCustomGradientPanel::OnAnchorClick);
    events.Add("OnAnchorEnter", &TCustomGradientPanel::OnAnchorEnter);
    events.Add("OnAnchorExit", &TCustomGradientPanel::OnAnchorExit);
    events.Add("OnAnchorHint", &TCustomGradientPanel::OnAnchorHint);
    events.Add("OnClose", &TCustomGradientPanel::OnClose);
    events.Add("OnEndMoveSize", &TCustomGradientPanel::OnEndMoveSize);
    events.Add("OnMinimize", &TCustomGradientPanel::OnMinimize);
    events.Add("OnMaximize", &TCustomGradientPanel::OnMaximize);
    events.Add("OnEndCollapsExpand", &TCustomGradientPanel::OnEndCollapsExpand);
    events.Add("OnPaint", &TCustomGradientPanel::OnPaint);
}

}  // namespace vx
