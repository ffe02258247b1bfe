#include "GlowButton.h"

#include <QApplication>
#include <QCursor>
#include <QFontDatabase>
#include <QMetaProperty>
#include <QPaintEvent>
#include <array>
#include <cmath>

#include "Accessible.h"
#include "Canvas.h"
#include "Colors.h"
#include "Forms.h"
#include "Layout.h"

namespace vx {

using namespace glow;
using gdip::TGDIPGradient;

namespace {

// The colours the appearance derives its down, checked and disabled looks from.
constexpr TColor kHotBase = 16117985;
constexpr TColor kHotAccent = 16372402;
constexpr TColor kMirrorHotBase = 16107693;
constexpr TColor kMirrorHotAccent = 16775412;
constexpr TColor kDisabledBase = 16777215;
constexpr TColor kMirrorDisabledBase = 12632256;

constexpr int kFadeInterval = 40;
constexpr int kFadeStep = 20;
constexpr int kDropDownStrip = 13;
constexpr int kDropDownHotZone = 12;
constexpr int kCornerRadius = 3;
constexpr TColor kFocusRingOuter = 14986633;
constexpr TColor kFocusRingInner = 8421504;
constexpr TColor kDisabledText = 8421504;
constexpr int kMeasureExtent = 4096;
constexpr std::uint32_t kVersionNumber = 0x01050000;

constexpr TColor kHintFrom = 16777215;
constexpr TColor kHintTo = 12632256;
constexpr int kHintSteps = 32;
constexpr TColor kHintFrame = 8421504;

// Appearance values that a layout stores only when they differ from these defaults.
constexpr std::array<const char*, 19> kStoredWithDefault{"BorderColor",
                                                         "BorderColorHot",
                                                         "BorderColorDown",
                                                         "BorderColorChecked",
                                                         "BorderColorDisabled",
                                                         "Color",
                                                         "ColorTo",
                                                         "ColorMirror",
                                                         "ColorMirrorTo",
                                                         "Gradient",
                                                         "GradientMirror",
                                                         "GradientHot",
                                                         "GradientMirrorHot",
                                                         "GradientDown",
                                                         "GradientMirrorDown",
                                                         "GradientChecked",
                                                         "GradientMirrorChecked",
                                                         "GradientDisabled",
                                                         "GradientMirrorDisabled"};

// The built-in looks: border, border hot, border down, then normal, hot and down face colours
// (upper base, upper accent, lower base, lower accent each).
struct TStylePreset {
    TColor Border, BorderHot, BorderDown;
    std::array<TColor, 4> Normal, Hot, Down;
};
constexpr std::array<TStylePreset, 10> kStylePresets{{
    {0xC0A080,
     0x3C8CDC,
     0x1E64B4,
     {0xFCE9D8, 0xF7D3B1, 0xEFC39C, 0xF9E2CC},
     {0xCCF4FF, 0x91D0FF, 0x5BBBFF, 0x8BE7FF},
     {0x4E91FE, 0x8ED3FF, 0x1F7FF4, 0x6AC4FF}},
    {0xA39A98,
     0x3C8CDC,
     0x1E64B4,
     {0xF5F1F0, 0xE6DDDA, 0xD9CDC8, 0xEFE7E4},
     {0xCCF4FF, 0x91D0FF, 0x5BBBFF, 0x8BE7FF},
     {0x4E91FE, 0x8ED3FF, 0x1F7FF4, 0x6AC4FF}},
    {0x70A090,
     0x3C8CDC,
     0x1E64B4,
     {0xE4F5F2, 0xC2E8E0, 0xA8DCD1, 0xD5F0EA},
     {0xCCF4FF, 0x91D0FF, 0x5BBBFF, 0x8BE7FF},
     {0x4E91FE, 0x8ED3FF, 0x1F7FF4, 0x6AC4FF}},
    {0x808080,
     0x000000,
     0x000000,
     {0xF0F0F0, 0xF0F0F0, 0xE0E0E0, 0xF0F0F0},
     {0xF8F8F8, 0xF8F8F8, 0xE8E8E8, 0xF8F8F8},
     {0xD0D0D0, 0xD0D0D0, 0xC0C0C0, 0xD0D0D0}},
    {0xD5B79A,
     0x79BDDB,
     0x45739C,
     {0xFEF7EF, 0xFAE9D8, 0xF5DBC1, 0xFBEEDF},
     {0xDBFBFF, 0xA6E8FF, 0x6BD7FF, 0x9EEAFF},
     {0x9AD5FF, 0x5CB0FF, 0x3C8DF8, 0x77BFFF}},
    {0x626262,
     0x79BDDB,
     0x45739C,
     {0x6E6E6E, 0x505050, 0x3C3C3C, 0x5A5A5A},
     {0xDBFBFF, 0xA6E8FF, 0x6BD7FF, 0x9EEAFF},
     {0x9AD5FF, 0x5CB0FF, 0x3C8DF8, 0x77BFFF}},
    {0x9D9D9D,
     0x6A240A,
     0x6A240A,
     {0xF7F7F7, 0xEBEBEB, 0xDEDEDE, 0xF0F0F0},
     {0xF2DED2, 0xE6C4B0, 0xD9AE96, 0xEDD3C3},
     {0xD9AE96, 0xC99377, 0xB87B5D, 0xD2A084}},
    {0x7F9DB9,
     0x3C8CDC,
     0x1E64B4,
     {0xFFFFFF, 0xF5F0EC, 0xE8E0DA, 0xF9F5F2},
     {0xE8F6FF, 0xC6E8FF, 0xA5DAFF, 0xD6EFFF},
     {0xB4D6F0, 0x92C2E8, 0x74AFDF, 0xA2CBEB}},
    {},
    {0x707070,
     0x404040,
     0x202020,
     {0xF2F2F2, 0xE4E4E4, 0xD6D6D6, 0xEAEAEA},
     {0xFAFAFA, 0xEEEEEE, 0xE2E2E2, 0xF4F4F4},
     {0xCCCCCC, 0xBDBDBD, 0xAEAEAE, 0xC6C6C6}},
}};
constexpr int kStyleKeepsLook = 8;

void FillFace(TGPGraphics& graphics, const QRect& rect, const TGlowColorSet& set) {
    const int l = rect.left();
    const int t = rect.top();
    const int r = RectRight(rect);
    const int b = RectBottom(rect);
    const int halfH = (b - t) / 2;
    // The lower half first; the upper one then covers the row they share.
    FillGlowHalf(graphics, RectLTRB(l, t + halfH - 1, r, b), false, set.GradientMirror,
                 set.ColorMirror, set.ColorMirrorTo);
    FillGlowHalf(graphics, RectLTRB(l, t, r, b - halfH), true, set.Gradient, set.Color,
                 set.ColorTo);
}

TGlowColorSet Darkened(TGlowColorSet set) {
    constexpr int kPercent = -10;
    set.Color = DarkenColor(set.Color, kPercent);
    set.ColorTo = DarkenColor(set.ColorTo, kPercent);
    set.ColorMirror = DarkenColor(set.ColorMirror, kPercent);
    set.ColorMirrorTo = DarkenColor(set.ColorMirrorTo, kPercent);
    return set;
}

// DrawText formats of the plain text path per layout.
unsigned TextFormat(TButtonLayout layout) {
    switch (layout) {
        case blGlyphLeft:
        case blGlyphLeftAdjusted:
            return DT_SINGLELINE | DT_VCENTER;
        case blGlyphRightAdjusted:
            return DT_SINGLELINE | DT_VCENTER | DT_RIGHT;
        case blGlyphTopAdjusted:
            return DT_SINGLELINE | DT_CENTER;
        case blGlyphBottomAdjusted:
            return DT_SINGLELINE | DT_BOTTOM | DT_CENTER;
        default:
            return DT_SINGLELINE | DT_VCENTER | DT_CENTER;
    }
}

bool IsOutlineFont(const TFont& font) {
    return QFontDatabase::isSmoothlyScalable(font.Name());
}

int GdiplusFontStyle(const TFont& font) {
    int style = 0;
    if (font.Style().testFlag(fsBold)) {
        style |= FontStyleBold;
    }
    if (font.Style().testFlag(fsItalic)) {
        style |= FontStyleItalic;
    }
    if (font.Style().testFlag(fsUnderline)) {
        style |= FontStyleUnderline;
    }
    return style;
}

// Where text and glyph go inside the content rectangle.
struct TPlacement {
    QRectF Text;
    QPoint Glyph;
};

// The program's own layout is glyph-left; the others put the glyph on their own side and the
// text in what is left.
TPlacement PlaceContent(TButtonLayout layout, const QRect& content, bool gdiText, double textX,
                        double textY, QSizeF text, QSize glyph, int glyphW) {
    const int l = content.left();
    const int t = content.top();
    const int w = content.width();
    const int h = content.height();
    const int glyphCentreY = std::max(0, (h - glyph.height()) / 2) + t;
    const int glyphCentreX = l + std::max(0, (w - glyph.width()) / 2);
    TPlacement p;
    switch (layout) {
        case blGlyphLeft:
            if (gdiText) {
                p.Text = QRectF(textX + glyphW, t, w - 2 - glyphW, h);
                p.Glyph = QPoint(std::max(2, static_cast<int>(textX)), glyphCentreY);
            } else {
                p.Text = QRectF(l + 2 + glyphW, t, w - 2 - glyphW, h);
                p.Glyph = QPoint(std::max(2, static_cast<int>(std::lround(textX - glyphW / 2))),
                                 glyphCentreY);
            }
            break;
        case blGlyphLeftAdjusted:
            p.Text = QRectF(l + 2 + glyphW, t, w - 2 - glyphW, h);
            p.Glyph = QPoint(l + 2, glyphCentreY);
            break;
        case blGlyphRight:
            p.Text = QRectF(l, t, w - glyphW, h);
            p.Glyph =
                QPoint(static_cast<int>(l + (w - glyphW + text.width()) / 2) + 2, glyphCentreY);
            break;
        case blGlyphRightAdjusted:
            p.Text = QRectF(l, t, w - glyphW - 2, h);
            p.Glyph = QPoint(l + w - glyph.width() - 2, glyphCentreY);
            break;
        case blGlyphTop:
            p.Glyph = QPoint(glyphCentreX, static_cast<int>(textY));
            p.Text = QRectF(l, textY + glyph.height(), w, text.height() + 2);
            break;
        case blGlyphTopAdjusted:
            p.Glyph = QPoint(glyphCentreX, t + 2);
            p.Text = QRectF(l, t + glyph.height() + 2, w, h - glyph.height() - 2);
            break;
        case blGlyphBottom:
            p.Text = QRectF(l, t, w, h - glyph.height());
            p.Glyph = QPoint(glyphCentreX,
                             static_cast<int>(t + (h - glyph.height() + text.height()) / 2));
            break;
        case blGlyphBottomAdjusted:
            p.Text = QRectF(l, t, w, h - glyph.height() - 2);
            p.Glyph = QPoint(glyphCentreX, t + h - glyph.height() - 2);
            break;
    }
    return p;
}

}  // namespace

// ---- appearance

TGlowColorSet MixFaceColors(const TGlowColorSet& a, const TGlowColorSet& b, int percent,
                            TGlowColorSet into) {
    into.Color = MixColors(a.Color, b.Color, percent);
    into.ColorTo = MixColors(a.ColorTo, b.ColorTo, percent);
    into.ColorMirror = MixColors(a.ColorMirror, b.ColorMirror, percent);
    into.ColorMirrorTo = MixColors(a.ColorMirrorTo, b.ColorMirrorTo, percent);
    return into;
}

TGlowButtonAppearance::TGlowButtonAppearance(QObject* parent)
    : QObject(parent),
      FBorderColor(0xC0C0C0),
      FBorderColorHot(0xFF0000),
      FBorderColorDown(0x800000),
      FBorderColorChecked(0xFF0000),
      FBorderColorDisabled(0x808080),
      FColor(0xFFFFFF),
      FColorTo(0xFFFFFF),
      FColorHot(kHotBase),
      FColorHotTo(kHotAccent),
      FColorMirror(0xC0C0C0),
      FColorMirrorTo(0xFFFFFF),
      FColorMirrorHot(kMirrorHotBase),
      FColorMirrorHotTo(kMirrorHotAccent),
      FGradient(gdip::ggVertical),
      FGradientMirror(gdip::ggVertical),
      FGradientHot(gdip::ggRadial),
      FGradientMirrorHot(gdip::ggRadial),
      FGradientDown(gdip::ggRadial),
      FGradientMirrorDown(gdip::ggRadial),
      FGradientChecked(gdip::ggRadial),
      FGradientMirrorChecked(gdip::ggVertical),
      FGradientDisabled(gdip::ggRadial),
      FGradientMirrorDisabled(gdip::ggRadial) {
    FColorDown = FColorChecked = DarkenColorRGB(kHotBase, -10, -10, 0);
    FColorDownTo = FColorCheckedTo = DarkenColorRGB(kHotAccent, -10, -10, 0);
    FColorMirrorDown = FColorMirrorChecked = DarkenColorRGB(kMirrorHotBase, -10, -10, 0);
    FColorMirrorDownTo = FColorMirrorCheckedTo = DarkenColorRGB(kMirrorHotAccent, -10, -10, 0);
    FColorDisabled = FColorDisabledTo = FColorMirrorDisabledTo =
        DarkenColorRGB(kDisabledBase, -5, -5, -5);
    FColorMirrorDisabled = DarkenColorRGB(kMirrorDisabledBase, -5, -5, -5);
}

void TGlowButtonAppearance::Assign(const TGlowButtonAppearance& source) {
    const QMetaObject* meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        property.write(this, property.read(&source));
    }
}

QStringList TGlowButtonAppearance::StoredProperties() const {
    const TGlowButtonAppearance defaults;
    QStringList stored;
    const QMetaObject* meta = metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        const bool hasDefault =
            std::any_of(kStoredWithDefault.begin(), kStoredWithDefault.end(),
                        [&](const char* name) { return qstrcmp(name, property.name()) == 0; });
        if (!hasDefault || property.read(this) != property.read(&defaults)) {
            stored.append(QString::fromLatin1(property.name()));
        }
    }
    return stored;
}

TGlowColorSet TGlowButtonAppearance::NormalSet() const {
    return {FColor,       FColorTo,  FColorMirror,    FColorMirrorTo,
            FBorderColor, FGradient, FGradientMirror, false};
}

TGlowColorSet TGlowButtonAppearance::HotSet() const {
    return {FColorHot,       FColorHotTo,  FColorMirrorHot,    FColorMirrorHotTo,
            FBorderColorHot, FGradientHot, FGradientMirrorHot, true};
}

TGlowColorSet TGlowButtonAppearance::DownSet() const {
    return {FColorDown,       FColorDownTo,  FColorMirrorDown,    FColorMirrorDownTo,
            FBorderColorDown, FGradientDown, FGradientMirrorDown, true};
}

TGlowColorSet TGlowButtonAppearance::CheckedSet() const {
    return {FColorChecked,       FColorCheckedTo,  FColorMirrorChecked,    FColorMirrorCheckedTo,
            FBorderColorChecked, FGradientChecked, FGradientMirrorChecked, false};
}

TGlowColorSet TGlowButtonAppearance::DisabledSet() const {
    return {
        FColorDisabled,       FColorDisabledTo,  FColorMirrorDisabled,    FColorMirrorDisabledTo,
        FBorderColorDisabled, FGradientDisabled, FGradientMirrorDisabled, false};
}

void TOfficeHint::Assign(const TOfficeHint& source) {
    FTitle = source.FTitle;
    FNotes = source.FNotes;
    FShowHelp = source.FShowHelp;
}

// ---- shortcut hint window

TShortCutHintWindow::TShortCutHintWindow(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint) {
    // It paints every pixel itself, so nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TShortCutHintWindow::SetCaption(const QString& value) {
    FCaption = value;
    TFont font;
    const QFontMetrics metrics(font.ToQFont());
    resize(std::max(metrics.horizontalAdvance(value) + 8, metrics.height() + 4),
           metrics.height() + 4);
    update();
}

void TShortCutHintWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    FillBandedGradient(canvas, kHintFrom, kHintTo, false, rect(), kHintSteps);
    canvas.Brush.Style = bsClear;
    QRect textRect = rect();
    canvas.DrawText(FCaption, textRect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    canvas.Pen.Color = kHintFrame;
    canvas.Pen.Style = psSolid;
    canvas.RoundRect(0, 0, width(), height(), 3, 3);
}

namespace {

// The background, the border and the focus rings: what a face shows whatever its content.
void DrawFaceFrame(TGPGraphics& graphics, const TGlowFaceParams& params, const QRect& content,
                   const QRect& strip) {
    const int l = params.Rect.left();
    const int t = params.Rect.top();
    const int r = RectRight(params.Rect);
    const int b = RectBottom(params.Rect);
    const int radius = params.Rounded ? kCornerRadius : 0;
    if (!params.SkipBackground) {
        if (params.DropDownButton && params.DropDownSplit && params.Colors.Active) {
            const bool stripHot = params.DropDownState == 2;
            FillFace(graphics, content, stripHot ? params.Colors : Darkened(params.Colors));
            FillFace(graphics, strip, stripHot ? Darkened(params.Colors) : params.Colors);
        } else {
            FillFace(graphics, params.Rect, params.Colors);
        }
    }
    graphics.SetSmoothingMode(SmoothingModeAntiAlias);

    if (!params.SkipBackground && params.BorderStyle != glow::bsNone) {
        const int w = r - 1;
        const int h = b - 1;
        switch (params.Position) {
            case bpStandalone:
                DrawRoundedOutline(graphics, params.Colors.BorderColor, l, t, w, h, radius, false);
                break;
            case bpLeft:
                DrawLeftSegmentOutline(graphics, params.Colors.BorderColor, l, t, w, h, radius);
                break;
            case bpMiddle:
                DrawMiddleSegmentOutline(graphics, params.Colors.BorderColor, l, t, w, h, radius,
                                         params.MouseInside);
                break;
            case bpRight:
                DrawRightSegmentOutline(graphics, params.Colors.BorderColor, l, t, w, h, radius,
                                        params.MouseInside);
                break;
        }
    }
    if (params.FocusBorder) {
        DrawRoundedOutline(graphics, kFocusRingOuter, l + 1, t + 1, r - 3, b - 3, radius, false);
        DrawRoundedOutline(graphics, kFocusRingInner, l + 2, t + 2, r - 5, b - 5, radius, true);
    }
}

// The caption as measured: the text objects of the anti-aliased path and where it goes.
struct TCaptionText {
    bool GdiplusText = false;
    std::unique_ptr<TGPFontFamily> Family;
    std::unique_ptr<TGPFont> Font;
    std::unique_ptr<TGPStringFormat> Format;
    TTextRenderingHint Hint = TextRenderingHintSystemDefault;
    QRectF Place;
};

void DrawCaption(TCanvas& canvas, TGPGraphics& graphics, const TGlowFaceParams& params,
                 const TCaptionText& caption) {
    if (params.Caption.isEmpty()) {
        return;
    }
    const TFont& font = *params.Font;
    if (caption.GdiplusText) {
        graphics.SetTextRenderingHint(caption.Hint);
        const TGPSolidBrush brush(ToOpaqueArgb(params.Enabled ? font.Color() : kDisabledText));
        graphics.DrawString(params.Caption, *caption.Font, caption.Place, *caption.Format, brush);
        return;
    }
    canvas.Brush.Style = bsClear;
    canvas.Font().Assign(font);
    const int x = static_cast<int>(std::lround(caption.Place.x()));
    const int y = static_cast<int>(std::lround(caption.Place.y()));
    QRect textRect(x, y, static_cast<int>(std::lround(caption.Place.width())),
                   static_cast<int>(std::lround(caption.Place.height())));
    if (params.Layout == blGlyphLeftAdjusted) {
        textRect.translate(2, 0);
    }
    canvas.DrawText(params.Caption, textRect, TextFormat(params.Layout));
}

// The set with system colours turned into what they show now.
TGlowColorSet Resolved(TGlowColorSet set) {
    for (TColor* color :
         {&set.Color, &set.ColorTo, &set.ColorMirror, &set.ColorMirrorTo, &set.BorderColor}) {
        *color = static_cast<TColor>(ColorToRGB(*color));
    }
    return set;
}

// Copies the frame and caption from the button's cache, drawing them there first when the face
// changed. Only a face with its background can be kept (without one, rings and text blend with
// the parent's pixels), only when the painter does no more than move it by whole pixels, and
// only when nothing outside the face can be painted (the halves' fills reach past it).
bool DrawCachedLayer(TCanvas& canvas, const TGlowFaceParams& params, QSize glyph,
                     const std::function<void(TCanvas&, TGPGraphics&)>& draw) {
    QPainter& painter = canvas.Painter();
    const QTransform& world = painter.worldTransform();
    if (params.Cache == nullptr || params.SkipBackground ||
        world.type() > QTransform::TxTranslate || world.dx() != std::floor(world.dx()) ||
        world.dy() != std::floor(world.dy())) {
        return false;
    }
    if (!params.Rect.contains(PaintableRect(painter))) {
        return false;
    }
    const qreal ratio = painter.device()->devicePixelRatio();
    const bool caption = !params.Caption.isEmpty();
    const TGlowFaceCache::TKey key{
        .Rect = params.Rect,
        .PixelRatio = ratio,
        .Colors = Resolved(params.Colors),
        .Rounded = params.Rounded,
        .BorderStyle = params.BorderStyle,
        .Position = params.Position,
        .FocusBorder = params.FocusBorder,
        .MouseInside = params.MouseInside,
        .DropDownButton = params.DropDownButton,
        .DropDownPosition = params.DropDownPosition,
        .DropDownSplit = params.DropDownSplit,
        .DropDownState = params.DropDownState,
        .Caption = params.Caption,
        .Font = caption ? params.Font->ToQFont(canvas.AntialiasedText) : QFont(),
        .FontColor = caption ? static_cast<TColor>(ColorToRGB(params.Font->Color())) : clNone,
        .Enabled = params.Enabled,
        .AntiAlias = params.AntiAlias,
        .Layout = params.Layout,
        .Spacing = params.Spacing,
        .WordWrap = params.WordWrap,
        .Glyph = glyph};
    TGlowFaceCache& cache = *params.Cache;
    if (cache.Image.isNull() || !(cache.Key == key)) {
        cache.Image = QImage(params.Rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        cache.Image.setDevicePixelRatio(ratio);
        TCanvas layer(&cache.Image);
        layer.AntialiasedText = canvas.AntialiasedText;
        layer.Painter().translate(-params.Rect.topLeft());
        {
            TGPGraphics graphics(layer);
            draw(layer, graphics);
        }
        layer.Release();
        cache.Key = key;
    }
    painter.drawImage(params.Rect.topLeft(), cache.Image);
    return true;
}

}  // namespace

// ---- the face

QSize DrawGlowFace(TCanvas& canvas, const TGlowFaceParams& params) {
    const int l = params.Rect.left();
    const int t = params.Rect.top();
    const int r = RectRight(params.Rect);
    const int b = RectBottom(params.Rect);

    QRect content = params.Rect;
    QRect strip;
    if (params.DropDownButton) {
        if (params.DropDownPosition == dpRight) {
            content = RectLTRB(l, t, r - kDropDownStrip, b);
            strip = RectLTRB(r - kDropDownStrip, t, r, b);
        } else {
            content = RectLTRB(l, t, r, b - kDropDownStrip);
            strip = RectLTRB(l, b - kDropDownStrip, r, b);
        }
    }

    TGPGraphics graphics(canvas);

    QSize glyph;
    if (params.GlyphBitmap != nullptr && !params.GlyphBitmap->Empty() &&
        params.GlyphBitmap->Width() >= 2 && params.GlyphBitmap->Height() >= 2) {
        glyph = QSize(params.GlyphBitmap->Width(), params.GlyphBitmap->Height());
    } else if (params.Picture != nullptr && params.Picture->Graphic() != nullptr &&
               !params.Picture->Graphic()->Empty()) {
        glyph = QSize(params.Picture->Width(), params.Picture->Height());
    } else if (params.Images != nullptr && params.ImageIndex >= 0) {
        glyph = QSize(params.Images->Width(), params.Images->Height());
    }
    const int glyphW = glyph.width() > 0 ? glyph.width() + params.Spacing : 0;
    QSize needed(glyphW, glyph.height());
    QPoint glyphAt(l + std::max(0, (content.width() - glyph.width()) / 2),
                   t + std::max(0, (content.height() - glyph.height()) / 2));

    TCaptionText caption;
    if (!params.Caption.isEmpty()) {
        const TFont& font = *params.Font;
        caption.GdiplusText = params.AntiAlias != gdip::aaNone && IsOutlineFont(font);
        const QRectF layoutRect(l, t, params.MeasureOnly ? kMeasureExtent : content.width(),
                                params.MeasureOnly ? kMeasureExtent : content.height());
        double textW = 0;
        double textH = 0;
        double textX = l;
        double textY = t;
        if (caption.GdiplusText) {
            caption.Family = std::make_unique<TGPFontFamily>(font.Name());
            caption.Font =
                std::make_unique<TGPFont>(*caption.Family, static_cast<float>(font.Size()),
                                          GdiplusFontStyle(font), UnitPoint);
            caption.Format =
                std::make_unique<TGPStringFormat>(params.WordWrap ? 0 : StringFormatFlagsNoWrap, 0);
            caption.Format->SetAlignment(params.Layout == blGlyphLeftAdjusted ? StringAlignmentNear
                                         : params.Layout == blGlyphRightAdjusted
                                             ? StringAlignmentFar
                                             : StringAlignmentCenter);
            caption.Format->SetLineAlignment(
                params.Layout == blGlyphTopAdjusted      ? StringAlignmentNear
                : params.Layout == blGlyphBottomAdjusted ? StringAlignmentFar
                                                         : StringAlignmentCenter);
            caption.Format->SetHotkeyPrefix(HotkeyPrefixShow);
            caption.Hint = params.AntiAlias == gdip::aaClearType
                               ? TextRenderingHintClearTypeGridFit
                               : TextRenderingHintAntiAliasGridFit;
            graphics.SetTextRenderingHint(caption.Hint);
            QRectF bounds;
            graphics.MeasureString(params.Caption, *caption.Font, layoutRect, *caption.Format,
                                   bounds);
            textW = bounds.width();
            textH = bounds.height();
            textX = bounds.x();
        } else {
            canvas.Font().Assign(font);
            QRect measured(l, t, 0, 0);
            canvas.DrawText(params.Caption, measured, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
            textW = measured.width();
            textH = measured.height();
            if (params.Layout == blGlyphLeft) {
                textX = (content.width() - static_cast<int>(textW) - glyphW) / 2;
            } else if (params.Layout == blGlyphTop) {
                textX = l;
                textY = (content.height() - static_cast<int>(textH) - glyph.height() - 2) / 2;
            }
        }
        needed = QSize(static_cast<int>(std::lround(textW)) + glyphW + params.Spacing,
                       std::max(static_cast<int>(std::lround(textH)) + params.Spacing,
                                glyph.height() + params.Spacing));
        if (params.MeasureOnly) {
            return needed;
        }
        const TPlacement place = PlaceContent(params.Layout, content, !caption.GdiplusText, textX,
                                              textY, QSizeF(textW, textH), glyph, glyphW);
        glyphAt = place.Glyph;
        caption.Place = place.Text;
    } else if (params.MeasureOnly) {
        return needed;
    }

    const auto drawLayer = [&params, &content, &strip, &caption](TCanvas& target,
                                                                 TGPGraphics& targetGraphics) {
        DrawFaceFrame(targetGraphics, params, content, strip);
        DrawCaption(target, targetGraphics, params, caption);
    };
    if (DrawCachedLayer(canvas, params, glyph, drawLayer)) {
        // The canvas is left as drawing the caption on it would have left it.
        if (!params.Caption.isEmpty() && !caption.GdiplusText) {
            canvas.Brush.Style = bsClear;
        }
    } else {
        drawLayer(canvas, graphics);
    }

    if (params.DropDownButton) {
        if (params.DropDownPosition == dpRight) {
            content.setWidth(content.width() - 8);
        } else {
            content.setHeight(content.height() - 8);
        }
        if (params.Caption.isEmpty()) {
            glyphAt = QPoint(l + std::max(0, (content.width() - glyph.width()) / 2),
                             t + std::max(0, (content.height() - glyph.height()) / 2));
        }
    }
    if (params.GlyphBitmap != nullptr && glyph.width() > 0 && !params.GlyphBitmap->Empty() &&
        params.GlyphBitmap->Width() >= 2 && params.GlyphBitmap->Height() >= 2) {
        canvas.Draw(glyphAt.x(), glyphAt.y(), *params.GlyphBitmap);
    } else if (params.Picture != nullptr && params.Picture->Graphic() != nullptr &&
               !params.Picture->Graphic()->Empty()) {
        canvas.Draw(glyphAt.x(), glyphAt.y(), *params.Picture->Graphic());
    } else if (params.Images != nullptr && params.ImageIndex >= 0) {
        params.Images->Draw(canvas, glyphAt.x(), glyphAt.y(), params.ImageIndex, params.Enabled);
    }

    if (params.DropDownButton) {
        if (params.Colors.Active && params.DropDownSplit) {
            canvas.Pen.Color = params.Colors.BorderColor;
            canvas.Pen.Style = psSolid;
            canvas.Pen.Width = 1;
            if (params.DropDownPosition == dpRight) {
                canvas.MoveTo(strip.left(), strip.top());
                canvas.LineTo(strip.left(), RectBottom(strip));
            } else {
                canvas.MoveTo(strip.left(), strip.top());
                canvas.LineTo(RectRight(strip), strip.top());
            }
        }
        DrawDropDownArrow(canvas,
                          QPoint(strip.left() + (strip.width() - 5) / 2,
                                 strip.top() + (strip.height() - 3) / 2 + 1),
                          params.Enabled ? clBlack : kDisabledText,
                          params.DropDownDirection == ddDown, clWhite);
    }
    return needed;
}

// ---- the button

TCustomGlowButton::TCustomGlowButton(QWidget* parent)
    : TWinControl(parent),
      FPicture(std::make_unique<TPicture>()),
      FHotPicture(std::make_unique<TPicture>()),
      FDisabledPicture(std::make_unique<TPicture>()),
      FOfficeHint(std::make_unique<TOfficeHint>()),
      FAppearance(std::make_unique<TGlowButtonAppearance>()) {
    // Clicks follow the button's own rules (release inside, double click, keys).
    FClickOnRelease = false;
    SetBounds(Left(), Top(), 100, 41);
    connect(FAppearance.get(), &TGlowButtonAppearance::Changed, this, [this] { Invalidate(); });
    connect(FPicture.get(), &TPicture::Changed, this, [this] { ReMeasure(); });
    connect(FDisabledPicture.get(), &TPicture::Changed, this, [this] { ReMeasure(); });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

TCustomGlowButton::~TCustomGlowButton() = default;

void TCustomGlowButton::SetAntiAlias(gdip::TAntiAlias value) {
    FAntiAlias = value;
    Invalidate();
}

void TCustomGlowButton::SetAutoSize(bool value) {
    FAutoSize = value;
    ReMeasure();
}

void TCustomGlowButton::SetBorderStyle(glow::TBorderStyle value) {
    FBorderStyle = value;
    Invalidate();
}

void TCustomGlowButton::SetCaption(const QString& value) {
    FCaption = value;
    Invalidate();
    if (FAutoSize) {
        ReMeasure();
    }
}

void TCustomGlowButton::SetImageIndex(int value) {
    FImageIndex = value;
    ReMeasure();
}

void TCustomGlowButton::SetImages(TImageList* value) {
    FImages = value;
    Invalidate();
}

void TCustomGlowButton::SetHotImages(TImageList* value) {
    FHotImages = value;
}

void TCustomGlowButton::SetDisabledImages(TImageList* value) {
    FDisabledImages = value;
    Invalidate();
}

void TCustomGlowButton::SetDisabledPicture(const TPicture& value) {
    FDisabledPicture->Assign(value);
    Invalidate();
}

void TCustomGlowButton::SetMarginVert(int value) {
    FMarginVert = value;
    ReMeasure();
}

void TCustomGlowButton::SetMarginHorz(int value) {
    FMarginHorz = value;
    ReMeasure();
}

void TCustomGlowButton::SetPosition(glow::TButtonPosition value) {
    FPosition = value;
    Invalidate();
}

void TCustomGlowButton::SetRounded(bool value) {
    FRounded = value;
    Invalidate();
}

void TCustomGlowButton::SetShowCaption(bool value) {
    FShowCaption = value;
    ReMeasure();
    Invalidate();
}

void TCustomGlowButton::SetShowDisabled(bool value) {
    FShowDisabled = value;
    Invalidate();
}

void TCustomGlowButton::SetSpacing(int value) {
    FSpacing = value;
    Invalidate();
}

void TCustomGlowButton::SetWordWrap(bool value) {
    FWordWrap = value;
    Invalidate();
}

QString TCustomGlowButton::Version() const {
    const std::uint32_t v = VersionNumber();
    return QStringLiteral("%1.%2.%3.%4")
        .arg(v >> 24)
        .arg((v >> 16) & 0xFF)
        .arg((v >> 8) & 0xFF)
        .arg(v & 0xFF);
}

std::uint32_t TCustomGlowButton::VersionNumber() const {
    return kVersionNumber;
}

void TCustomGlowButton::SetLayout(glow::TButtonLayout value) {
    FLayout = value;
    Invalidate();
}

void TCustomGlowButton::SetDropDownButton(bool value) {
    FDropDownButton = value;
    Invalidate();
}

void TCustomGlowButton::SetDropDownPosition(glow::TDropDownPosition value) {
    FDropDownPosition = value;
    Invalidate();
}

void TCustomGlowButton::SetDropDownDirection(glow::TDropDownDirection value) {
    FDropDownDirection = value;
    Invalidate();
}

void TCustomGlowButton::SetDropDownMenu(TPopupMenu* value) {
    FDropDownMenu = value;
}

bool TGlowButtonActionLink::IsGroupIndexLinked() const {
    return FAction != nullptr && FAction->GroupIndex() == FClient.GroupIndex();
}

void TCustomGlowButton::SetAction(TAction* value) {
    disconnect(FActionConnection);
    FActionLink.reset();
    if (value == nullptr) {
        return;
    }
    FActionLink = std::make_unique<TGlowButtonActionLink>(*this, *value);
    FActionConnection = connect(value, &TAction::Changed, this, [this] { ActionUpdated(); });
    ActionChange(FLoading);
}

// A newly linked action hands over its values; its group index only to a button without one
// (or while a layout is read, when the action's values are the defaults to check against).
void TCustomGlowButton::ActionChange(bool checkDefaults) {
    TAction* action = Action();
    if (checkDefaults || FGroupIndex == 0) {
        SetGroupIndex(action->GroupIndex());
    }
    SetImageIndex(action->ImageIndex());
    if (checkDefaults || FCaption.isEmpty()) {
        SetCaption(action->Caption());
    }
    SetEnabled(action->Enabled());
    ActionUpdated();
}

void TCustomGlowButton::ActionUpdated() {
    TAction* action = Action();
    if (action == nullptr) {
        return;
    }
    if (FActionLink->IsGroupIndexLinked()) {
        SetImageIndex(action->ImageIndex());
    }
    SetCaption(action->Caption());
    SetEnabled(action->Enabled());
    if (FDown != action->Checked()) {
        SetDown(action->Checked());
    }
    FActionChecked = action->Checked() == FDown && action->Checked();
}

void TCustomGlowButton::SetComponentStyle(int style) {
    if (style < 0 || style >= static_cast<int>(kStylePresets.size()) || style == kStyleKeepsLook) {
        return;
    }
    const TStylePreset& preset = kStylePresets[static_cast<std::size_t>(style)];
    TGlowButtonAppearance& a = *FAppearance;
    a.SetBorderColor(preset.Border);
    a.SetBorderColorHot(preset.BorderHot);
    a.SetBorderColorDown(preset.BorderDown);
    a.SetBorderColorChecked(preset.BorderDown);
    a.SetColor(preset.Normal[0]);
    a.SetColorTo(preset.Normal[1]);
    a.SetColorMirror(preset.Normal[2]);
    a.SetColorMirrorTo(preset.Normal[3]);
    a.SetColorHot(preset.Hot[0]);
    a.SetColorHotTo(preset.Hot[1]);
    a.SetColorMirrorHot(preset.Hot[2]);
    a.SetColorMirrorHotTo(preset.Hot[3]);
    a.SetColorDown(preset.Down[0]);
    a.SetColorDownTo(preset.Down[1]);
    a.SetColorMirrorDown(preset.Down[2]);
    a.SetColorMirrorDownTo(preset.Down[3]);
    a.SetColorChecked(preset.Down[0]);
    a.SetColorCheckedTo(preset.Down[1]);
    a.SetColorMirrorChecked(preset.Down[2]);
    a.SetColorMirrorCheckedTo(preset.Down[3]);
    a.SetGradient(gdip::ggVertical);
    a.SetGradientMirror(gdip::ggVertical);
    a.SetGradientHot(gdip::ggRadial);
    a.SetGradientMirrorHot(gdip::ggRadial);
    a.SetGradientDown(gdip::ggRadial);
    a.SetGradientMirrorDown(gdip::ggRadial);
    a.SetGradientChecked(gdip::ggRadial);
    a.SetGradientMirrorChecked(gdip::ggVertical);
    Invalidate();
}

void TCustomGlowButton::ShowShortCutHint() {
    if (!FShortCutHintWindow) {
        FShortCutHintWindow = std::make_unique<TShortCutHintWindow>();
    }
    FShortCutHintWindow->SetCaption(FShortCutHint);
    const QSize size = FShortCutHintWindow->size();
    QPoint at;
    switch (FShortCutHintPos) {
        case shpLeft:
            at = QPoint(-size.width(), (Height() - size.height()) / 2);
            break;
        case shpTop:
            at = QPoint((Width() - size.width()) / 2, -size.height());
            break;
        case shpRight:
            at = QPoint(Width(), (Height() - size.height()) / 2);
            break;
        case shpBottom:
            at = QPoint((Width() - size.width()) / 2, Height());
            break;
    }
    FShortCutHintWindow->move(mapToGlobal(at));
    FShortCutHintWindow->show();
}

void TCustomGlowButton::HideShortCutHint() {
    if (FShortCutHintWindow) {
        FShortCutHintWindow->hide();
    }
}

void TCustomGlowButton::Loaded() {
    FLoading = false;
    if (FLoadedDown != FDown) {
        SetDown(FLoadedDown);
    }
    FActive = FDefault;
    FWindowCreated = true;
}

void TCustomGlowButton::showEvent(QShowEvent* e) {
    if (!FWindowCreated) {
        FWindowCreated = true;
        FActive = FDefault;
    }
    TWinControl::showEvent(e);
}

// ---- down state and groups

void TCustomGlowButton::SetDown(bool value) {
    const TStateAnnouncement announce(this);
    if (FLoading) {
        FLoadedDown = value;
        return;
    }
    if (FGroupIndex == 0 && FStyle == bsButton) {
        value = false;
    }
    if (FStyle == bsCheck) {
        FDown = value;
        FFaceState = value ? gfsDown : gfsUp;
        Repaint();
        return;
    }
    if (value == FDown || (FDown && !FAllowAllUp)) {
        return;
    }
    FDown = value;
    if (value) {
        if (FFaceState == gfsUp) {
            Invalidate();
        }
        FFaceState = gfsChecked;
        BroadcastGroup();
    } else {
        FFaceState = gfsUp;
        Repaint();
    }
}

void TCustomGlowButton::SetGroupIndex(int value) {
    if (value != FGroupIndex) {
        FGroupIndex = value;
        BroadcastGroup();
    }
}

void TCustomGlowButton::SetAllowAllUp(bool value) {
    if (value != FAllowAllUp) {
        FAllowAllUp = value;
        BroadcastGroup();
    }
}

void TCustomGlowButton::BroadcastGroup() {
    if (FGroupIndex == 0 || parentWidget() == nullptr) {
        return;
    }
    for (QObject* child : parentWidget()->children()) {
        if (auto* button = qobject_cast<TCustomGlowButton*>(child)) {
            button->ButtonPressed(FGroupIndex, this);
        }
    }
}

void TCustomGlowButton::ButtonPressed(int group, TCustomGlowButton* sender) {
    if (sender == this || group != FGroupIndex) {
        return;
    }
    if (sender->FDown && FDown) {
        FDown = false;
        FFaceState = gfsUp;
        Invalidate();
    }
    FAllowAllUp = sender->FAllowAllUp;
}

// ---- fades

void TCustomGlowButton::EnsureFadeTimer() {
    if (FFadeTimer != nullptr) {
        return;
    }
    FFadeTimer = new TTimer(this);
    FFadeTimer->SetInterval(kFadeInterval);
    FFadeTimer->OnTimer = [this](QObject*) { FadeTick(); };
}

void TCustomGlowButton::FreeFadeTimer() {
    // The tick that ends a fade runs inside the timer's own handler, so the timer goes later.
    FFadeTimer->SetEnabled(false);
    FFadeTimer->deleteLater();
    FFadeTimer = nullptr;
}

void TCustomGlowButton::FadeTick() {
    const auto advance = [this](int& percent) {
        percent += FFadeStep;
        if ((percent > 100 && FFadeStep > 0) || (percent < 0 && FFadeStep < 0)) {
            percent = std::clamp(percent, 0, 100);
            FFadeKind = fkIdle;
            return true;
        }
        Invalidate();
        return false;
    };
    if (FFadeKind == fkHot) {
        if (advance(FHotPercent)) {
            FreeFadeTimer();
        }
    } else if (FFadeKind == fkPress) {
        const int step = FFadeStep;
        if (advance(FDownPercent)) {
            if (step < 0) {
                FPressed = false;
                FLeftWhileHeld = false;
            }
            FreeFadeTimer();
        }
    }
}

// ---- mouse

bool TCustomGlowButton::InsideClient(int x, int y) const {
    return x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight();
}

bool TCustomGlowButton::InDropDownPart(int x, int y) const {
    return (FDropDownPosition == dpRight && x > Width() - kDropDownStrip) ||
           (FDropDownPosition == dpBottom && y > Height() - kDropDownStrip);
}

bool TCustomGlowButton::AbleToFocus() const {
    for (const QWidget* w = this; w != nullptr; w = w->parentWidget()) {
        const auto* control = qobject_cast<const TControl*>(w);
        if (control != nullptr && (!control->Visible() || !control->Enabled())) {
            return false;
        }
    }
    return true;
}

// Whether the pointer is over this button is judged from the point the input carries: while a
// button is held the platform keeps sending moves here, wherever the pointer is.
void TCustomGlowButton::TrackingResync(QPoint point) {
    if (!Enabled()) {
        return;
    }
    const bool inside = InsideClient(point.x(), point.y());
    if (inside != FTracking) {
        FTracking = inside;
        if (inside) {
            MouseEnter();
        } else {
            MouseLeave();
        }
    }
}

// The re-synchronisation after a release or a move runs these as well: only a real crossing
// is told to the window (OnMouseEnter, OnMouseLeave).
void TCustomGlowButton::MouseEnter() {
    const TStateAnnouncement announce(this);
    if (FMouseInside) {
        return;
    }
    TWinControl::MouseEnter();
    FHot = true;
    if (FLeftWhileHeld) {
        FPressed = true;
    }
    EnsureFadeTimer();
    if (!FPressed && FFadeKind != fkPress) {
        FFadeStep = kFadeStep;
        FFadeKind = fkHot;
    }
    Invalidate();
    FTracking = true;
    FMouseInside = true;
}

void TCustomGlowButton::MouseLeave() {
    const TStateAnnouncement announce(this);
    if (!FMouseInside) {
        return;
    }
    TWinControl::MouseLeave();
    FMouseInside = false;
    FTracking = false;
    FHot = false;
    FDropDownHot = false;
    Repaint();
    if (FPressed && FMouseHeld) {
        FPressed = false;
        FFadeStep = -kFadeStep;
        FFadeKind = fkHot;
        Invalidate();
        FLeftWhileHeld = true;
    } else {
        FPressed = false;
        FHotPercent = 100;
        FFadeStep = -kFadeStep;
        FFadeKind = fkHot;
        Invalidate();
    }
    EnsureFadeTimer();
}

void TCustomGlowButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const TStateAnnouncement announce(this);
    const bool doubleClick = shift.testFlag(ssDouble);
    if (button == mbLeft) {
        // The base control clicks on release only after a single press.
        FBaseClickPending = !doubleClick;
    }
    const QPointer<TCustomGlowButton> self(this);
    TWinControl::MouseDown(button, shift, x, y);
    if (!self || button != mbLeft) {
        return;
    }
    FPressed = true;
    FMouseHeld = true;
    if (TabStop()) {
        SetFocus();
    }
    EnsureFadeTimer();
    FFadeStep = kFadeStep;
    FFadeKind = fkPress;
    const bool ordinary = !FDropDownButton || FStyle == bsCheck || FGroupIndex >= 1 ||
                          (FDropDownSplit && !InDropDownPart(x, y));
    if (ordinary) {
        if (FStyle == bsCheck) {
            FDown = !FDown;
        }
        if (!FDown) {
            FFaceState = gfsDown;
            Invalidate();
        }
        if (FStyle == bsCheck) {
            FFaceState = gfsDown;
            Repaint();
        }
        FClickPending = true;
    } else {
        DropDown();
        if (!self) {
            return;
        }
        Invalidate();
    }
    if (doubleClick) {
        Click();
    }
}

void TCustomGlowButton::DropDown() {
    const QPointer<TCustomGlowButton> self(this);
    FFaceState = gfsUp;
    FTracking = false;
    if (OnDropDown) {
        OnDropDown(this);
        if (!self) {
            return;
        }
    }
    if (FDropDownMenu == nullptr) {
        return;
    }
    FPressed = false;
    FHot = false;
    FDroppedDown = true;
    FMouseInside = true;
    Repaint();
    const QPoint corner = FDropDownDirection == ddDown ? QPoint(0, Height()) : QPoint(Width(), 0);
    const QPoint at = mapToGlobal(corner);
    FDropDownMenu->Popup(at.x(), at.y());
    if (!self) {
        return;
    }
    FDroppedDown = false;
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    if (!InsideClient(cursor.x(), cursor.y())) {
        FMouseInside = false;
        FTracking = false;
        FHot = false;
        FDropDownHot = false;
    }
    Repaint();
}

void TCustomGlowButton::MouseMove(TShiftState shift, int x, int y) {
    const TStateAnnouncement announce(this);
    const QPointer<TCustomGlowButton> self(this);
    TWinControl::MouseMove(shift, x, y);
    if (!self) {
        return;
    }
    TrackingResync(QPoint(x, y));
    const bool dropDownHot =
        FDropDownButton && (FDropDownPosition == dpRight ? x > Width() - kDropDownHotZone
                                                         : y > Height() - kDropDownHotZone);
    if (dropDownHot != FDropDownHot) {
        FDropDownHot = dropDownHot;
        Invalidate();
    }
    if (FClickPending) {
        TGlowFaceState state = FDown ? gfsChecked : gfsUp;
        if (InsideClient(x, y)) {
            state = FDown ? gfsChecked : gfsDown;
        }
        if (FStyle == bsCheck && FDown) {
            state = gfsDown;
        }
        if (state != FFaceState) {
            FFaceState = state;
            Invalidate();
        }
    } else if (!FTracking) {
        TrackingResync(QPoint(x, y));
    }
}

void TCustomGlowButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const TStateAnnouncement announce(this);
    if (button != mbLeft) {
        TWinControl::MouseUp(button, shift, x, y);
        return;
    }
    FFadeStep = -kFadeStep;
    FFadeKind = fkPress;
    FMouseHeld = false;
    FLeftWhileHeld = false;
    EnsureFadeTimer();
    const bool inside = InsideClient(x, y);
    const QPointer<TCustomGlowButton> self(this);
    // The base control's release: the click when the press began here and ends inside, then
    // OnMouseUp. Some check buttons with an action run it early.
    bool baseDone = false;
    const auto baseRelease = [&] {
        baseDone = true;
        const bool click = FBaseClickPending && inside;
        FBaseClickPending = false;
        if (click) {
            Click();
            if (!self) {
                return;
            }
        }
        TWinControl::MouseUp(button, shift, x, y);
    };
    if (FClickPending && (FDropDownButton || !IsMenuButton())) {
        FClickPending = false;
        if (FGroupIndex != 0) {
            if (ActionLinked() && FActionChecked) {
                return;
            }
            if (inside) {
                SetDown(!FDown);
                if (FDown) {
                    Repaint();
                }
            } else {
                if (FDown) {
                    FFaceState = gfsChecked;
                }
                Repaint();
            }
        } else {
            FFaceState = gfsUp;
            FTracking = false;
            if (FStyle == bsCheck && ActionLinked()) {
                baseRelease();
                if (!self || FActionChecked) {
                    return;
                }
            }
            if (FStyle == bsCheck) {
                Repaint();
            }
            if (inside && FFaceState != gfsDown && FFaceState != gfsChecked) {
                Invalidate();
            }
        }
        TrackingResync(QPoint(x, y));
    }
    if (!baseDone) {
        baseRelease();
    }
    if (!self) {
        return;
    }
    if (FStyle == bsCheck || FGroupIndex > 0) {
        Repaint();
    }
    Invalidate();
}

// ---- click and keys

void TCustomGlowButton::SetModalResultOfForm() {
    if (TForm* form = ParentForm()) {
        form->SetModalResult(FModalResult);
    }
}

void TCustomGlowButton::Click() {
    SetModalResultOfForm();
    if (!OnClick && FActionLink) {
        FActionLink->Execute();
        return;
    }
    TWinControl::Click();
}

void TCustomGlowButton::KeyDown(TKey& key, TShiftState shift) {
    const TStateAnnouncement announce(this);
    TWinControl::KeyDown(key, shift);
    if (key == VK_RETURN || key == VK_SPACE) {
        FPressed = true;
        FFaceState = gfsDown;
        Repaint();
    }
}

void TCustomGlowButton::KeyPress(QChar& key) {
    TWinControl::KeyPress(key);
    if (key == QChar(13) || key == QChar(32)) {
        SetModalResultOfForm();
        // The handler itself, not the click operation: a linked action is not run here.
        if (OnClick) {
            OnClick(this);
        }
    }
}

void TCustomGlowButton::KeyUp(TKey& key, TShiftState shift) {
    const TStateAnnouncement announce(this);
    TWinControl::KeyUp(key, shift);
    FPressed = false;
    FFaceState = gfsUp;
    Repaint();
}

bool TCustomGlowButton::DialogKey(TKey key, TShiftState shift) {
    const bool modifiers =
        shift.testFlag(ssShift) || shift.testFlag(ssCtrl) || shift.testFlag(ssAlt);
    if (((key == VK_RETURN && FActive) || (key == VK_ESCAPE && FCancel)) && !modifiers &&
        AbleToFocus()) {
        Click();
        return true;
    }
    return false;
}

bool TCustomGlowButton::DialogChar(QChar key, TShiftState) {
    if (!IsAccel(key, FCaption) || !AbleToFocus()) {
        return false;
    }
    if (IsMenuButton() && FDropDownMenu != nullptr) {
        DropDown();
    } else {
        Click();
    }
    return true;
}

void TCustomGlowButton::FocusChanged(QWidget* now) {
    TForm* form = ParentForm();
    if (now == nullptr || form == nullptr || (now != form && !form->isAncestorOf(now))) {
        return;
    }
    TCustomGlowButton* button = nullptr;
    for (QWidget* w = now; w != nullptr && button == nullptr; w = w->parentWidget()) {
        button = qobject_cast<TCustomGlowButton*>(w);
    }
    FActive = button != nullptr ? button == this : FDefault;
}

void TCustomGlowButton::DoEnter() {
    TWinControl::DoEnter();
    Invalidate();
}

void TCustomGlowButton::DoExit() {
    const TStateAnnouncement announce(this);
    TWinControl::DoExit();
    FPressed = false;
    FFaceState = gfsUp;
    Invalidate();
}

void TCustomGlowButton::EnabledChanged() {
    TWinControl::EnabledChanged();
    Invalidate();
}

void TCustomGlowButton::ReMeasure() {
    FNeedMeasure = true;
    if (FAutoSize) {
        Repaint();
    } else {
        Invalidate();
    }
}

// ---- painting

TGlowButtonState TCustomGlowButton::DrawState() const {
    if (FFaceState == gfsDown) {
        return gsDown;
    }
    return FMouseInside ? gsHot : gsNormal;
}

void TCustomGlowButton::Paint() {
    TCanvas& canvas = Canvas();
    const TGlowButtonAppearance& a = *FAppearance;
    const bool enabled = Enabled();

    if (!enabled) {
        FFaceState = gfsDisabled;
        FClickPending = false;
    } else if (FFaceState == gfsDisabled) {
        FFaceState = FDown && FGroupIndex != 0 ? gfsChecked : gfsUp;
    }
    if (FStyle == bsCheck && FDown) {
        FFaceState = gfsDown;
    }

    TGlowColorSet set;
    if (enabled || !FShowDisabled) {
        if (FFaceState == gfsDown && FStyle == bsButton) {
            set = a.DownSet();
        } else if (FFaceState == gfsChecked || (FFaceState == gfsDown && FStyle == bsCheck)) {
            set = a.CheckedSet();
            if (FFadeTimer != nullptr &&
                (FTracking || (FStyle == bsButton && FGroupIndex <= 0) || FFaceState == gfsDown)) {
                set = MixFaceColors(a.CheckedSet(), a.DownSet(), FDownPercent, set);
            }
        } else if (FHot) {
            set = a.HotSet();
        } else {
            set = a.NormalSet();
        }
    } else {
        set = a.DisabledSet();
    }

    if (FFadeTimer != nullptr) {
        if (!FPressed && !FTransparent && FFaceState != gfsChecked &&
            !(FStyle == bsCheck && FFaceState == gfsDown)) {
            set = MixFaceColors(a.HotSet(), a.NormalSet(), FHotPercent, set);
            set.BorderColor = MixColors(a.BorderColorHot(), a.BorderColor(), FHotPercent);
        } else if (FStyle == bsCheck && FPressed) {
            set = MixFaceColors(a.DownSet(), a.CheckedSet(), FDownPercent, set);
            set.BorderColor = MixColors(a.BorderColorDown(), a.BorderColorHot(), FDownPercent);
        } else if (FPressed && FFaceState != gfsChecked) {
            set = MixFaceColors(a.DownSet(), a.HotSet(), FDownPercent, set);
            set.BorderColor = MixColors(a.BorderColorDown(), a.BorderColorHot(), FDownPercent);
        }
    }

    TPicture* picture = FPicture.get();
    TImageList* images = FImages;
    if (!enabled && FDisabledPicture->Graphic() != nullptr &&
        !FDisabledPicture->Graphic()->Empty()) {
        picture = FDisabledPicture.get();
    } else if (FHot && FHotPicture->Graphic() != nullptr && !FHotPicture->Graphic()->Empty()) {
        picture = FHotPicture.get();
    }
    if (!enabled && FDisabledImages != nullptr) {
        images = FDisabledImages;
    } else if (FHot && FHotImages != nullptr) {
        images = FHotImages;
    }

    int dropDownState = 0;
    if (FDropDownButton && (FTracking || FMouseHeld)) {
        dropDownState = FDropDownHot ? 2 : 1;
    }

    if ((FPosition != bpStandalone && FMouseHeld) || (FStyle == bsCheck && FFaceState == gfsDown)) {
        set.BorderColor = a.BorderColor();
    }
    if ((FFaceState == gfsDisabled || !enabled) && FShowDisabled) {
        set = a.DisabledSet();
    }

    const bool focused = hasFocus();
    const bool hotFocus = focused && (FFocusType == ftHot || FFocusType == ftHotBorder);
    if (hotFocus && !FPressed) {
        set = a.HotSet();
    }
    const bool focusBorder = focused && (FFocusType == ftBorder || FFocusType == ftHotBorder);
    const bool skipBackground = FTransparent && !FMouseInside && !hotFocus && FFaceState != gfsDown;

    TBitmap glyphBitmap;
    glyphBitmap.SetSize(1, 1);
    GetGlyphBitmap(glyphBitmap);

    QPainter& painter = canvas.Painter();
    painter.save();
    // The corner pixels belong to the parent: its own painting shows through them.
    if (parentWidget() != nullptr && !(FTransparent && !FMouseInside)) {
        QRegion region(ClientRect());
        const int r = ClientWidth() - 1;
        const int b = ClientHeight() - 1;
        const bool left = FPosition == bpStandalone || FPosition == bpLeft;
        const bool right = FPosition == bpStandalone || FPosition == bpRight;
        if (left) {
            region -= QRegion(0, 0, 1, 1);
            region -= QRegion(0, b, 1, 1);
        }
        if (right) {
            region -= QRegion(r, 0, 1, 1);
            region -= QRegion(r, b, 1, 1);
        }
        painter.setClipRegion(region, Qt::IntersectClip);
    }

    TGlowFaceParams params;
    params.Rect = ClientRect();
    params.Colors = set;
    params.Caption = FShowCaption ? FCaption : QString();
    params.Font = Font();
    params.Layout = FLayout;
    params.Spacing = FSpacing;
    params.Rounded = FRounded;
    params.WordWrap = FWordWrap;
    params.AntiAlias = FAntiAlias;
    params.BorderStyle = FBorderStyle;
    params.Position = FPosition;
    params.FocusBorder = focusBorder;
    params.SkipBackground = skipBackground;
    params.Enabled = enabled;
    params.MouseInside = FMouseInside;
    params.GlyphBitmap = &glyphBitmap;
    params.Picture = picture;
    params.Images = images;
    params.ImageIndex = FImageIndex;
    params.DropDownButton = FDropDownButton;
    params.DropDownPosition = FDropDownPosition;
    params.DropDownDirection = FDropDownDirection;
    params.DropDownSplit = FDropDownSplit;
    params.DropDownState = dropDownState;
    params.Cache = &FFaceCache;

    if (FNeedMeasure || (FAutoSize && !FMeasured)) {
        FNeedMeasure = false;
        FMeasured = true;
        params.MeasureOnly = true;
        const QSize needed = DrawGlowFace(canvas, params);
        params.MeasureOnly = false;
        if (FAutoSize && needed.width() != Width()) {
            const int extra = FDropDownButton ? 15 : 2;
            SetBounds(Left(), Top(), needed.width() + 3 * FSpacing + 2 * FMarginHorz + extra,
                      needed.height() + 2 * FSpacing + 2 * FMarginVert);
            params.Rect = ClientRect();
        }
    }
    DrawGlowFace(canvas, params);
    AfterDrawFace();
    if (OnDrawButton) {
        OnDrawButton(this, canvas, ClientRect(), DrawState());
    }
    painter.restore();
}

void RegisterGlowButton() {
    TClassRegistry::Instance().Register(QStringLiteral("TGlowButton"),
                                        [](QObject* parent) -> QObject* {
                                            auto* widget = qobject_cast<QWidget*>(parent);
                                            if (widget == nullptr) {
                                                return nullptr;
                                            }
                                            auto* button = new TGlowButton(widget);
                                            button->BeginLayoutLoad();
                                            return button;
                                        });
    RegisterImageList();
    RegisterAction();
    TEventRegistry::Instance().Add("OnDrawButton", &TCustomGlowButton::OnDrawButton);
    TEventRegistry::Instance().Add("OnDropDown", &TCustomGlowButton::OnDropDown);
}

}  // namespace vx
