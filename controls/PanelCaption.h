// The gradient panel's caption bar and status bar settings, the panel family's enumerations,
// and the caption bar's shade picture.
#pragma once

#include <QImage>
#include <QObject>
#include <memory>

#include "Font.h"
#include "Graphics.h"
#include "LayoutValue.h"
#include "Types.h"

namespace vx::gp {
Q_NAMESPACE

enum TGradientDirection { gdVertical, gdHorizontal };
Q_ENUM_NS(TGradientDirection)

enum TBackGroundPosition {
    bpTopLeft,
    bpTopRight,
    bpBottomLeft,
    bpBottomRight,
    bpTiled,
    bpStretched,
    bpCenter
};
Q_ENUM_NS(TBackGroundPosition)

enum TTextVAlignment { tvaTop, tvaCenter, tvaBottom };
Q_ENUM_NS(TTextVAlignment)

enum TCaptionPosition { cpTop, cpLeft };
Q_ENUM_NS(TCaptionPosition)

enum TCaptionButtonPosition { cbpRight, cbpLeft };
Q_ENUM_NS(TCaptionButtonPosition)

enum TCaptionShape { csRectangle, csRounded, csSemiRounded };
Q_ENUM_NS(TCaptionShape)

enum TShadeType {
    stNormal,
    stNoise,
    stDiagShade,
    stHShade,
    stVShade,
    stHBump,
    stVBump,
    stSoftBump,
    stHardBump,
    stLMetal,
    stRMetal,
    stIRadial,
    stORadial,
    stHShadeInv,
    stVShadeInv,
    stXPCaption,
    stBitmap,
    stBitmapRStretch,
    stBitmapLStretch
};
Q_ENUM_NS(TShadeType)

enum TPanelLocation { clRegistry, clInifile };
Q_ENUM_NS(TPanelLocation)

}  // namespace vx::gp

namespace vx {

class TPanelCaption : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(vx::gp::TCaptionPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(vx::TFont* Font READ Font)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int ColorTo READ ColorTo WRITE SetColorTo)
    Q_PROPERTY(vx::gp::TGradientDirection GradientDirection READ GradientDirection WRITE
                   SetGradientDirection)
    Q_PROPERTY(int CloseColor READ CloseColor WRITE SetCloseColor)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(int Indent READ Indent WRITE SetIndent)
    Q_PROPERTY(int TopIndent READ TopIndent WRITE SetTopIndent)
    Q_PROPERTY(bool CloseButton READ CloseButton WRITE SetCloseButton)
    Q_PROPERTY(int CloseButtonColor READ CloseButtonColor WRITE SetCloseButtonColor)
    Q_PROPERTY(int CloseButtonHoverColor READ CloseButtonHoverColor WRITE SetCloseButtonHoverColor)
    Q_PROPERTY(bool MinMaxButton READ MinMaxButton WRITE SetMinMaxButton)
    Q_PROPERTY(int MinMaxButtonColor READ MinMaxButtonColor WRITE SetMinMaxButtonColor)
    Q_PROPERTY(
        int MinMaxButtonHoverColor READ MinMaxButtonHoverColor WRITE SetMinMaxButtonHoverColor)
    Q_PROPERTY(bool MinMaxCaption READ MinMaxCaption WRITE SetMinMaxCaption)
    Q_PROPERTY(
        vx::gp::TCaptionButtonPosition ButtonPosition READ ButtonPosition WRITE SetButtonPosition)
    Q_PROPERTY(vx::gp::TCaptionShape Shape READ Shape WRITE SetShape)
    Q_PROPERTY(vx::gp::TShadeType ShadeType READ ShadeType WRITE SetShadeType)
    Q_PROPERTY(int ShadeLight READ ShadeLight WRITE SetShadeLight)
    Q_PROPERTY(int ShadeGrain READ ShadeGrain WRITE SetShadeGrain)

  public:
    explicit TPanelCaption(QObject* parent = nullptr);
    ~TPanelCaption() override;

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    gp::TCaptionPosition Position() const { return FPosition; }
    void SetPosition(gp::TCaptionPosition value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    QString Text() const { return FText; }
    void SetText(const QString& value);
    TFont* Font() const { return FFont.get(); }
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor value);
    gp::TGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(gp::TGradientDirection value);
    TColor CloseColor() const { return FCloseColor; }
    void SetCloseColor(TColor value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    int Indent() const { return FIndent; }
    void SetIndent(int value);
    int TopIndent() const { return FTopIndent; }
    void SetTopIndent(int value);
    bool CloseButton() const { return FCloseButton; }
    void SetCloseButton(bool value);
    TColor CloseButtonColor() const { return FCloseButtonColor; }
    void SetCloseButtonColor(TColor value);
    TColor CloseButtonHoverColor() const { return FCloseButtonHoverColor; }
    void SetCloseButtonHoverColor(TColor value) { FCloseButtonHoverColor = value; }
    bool MinMaxButton() const { return FMinMaxButton; }
    void SetMinMaxButton(bool value);
    TColor MinMaxButtonColor() const { return FMinMaxButtonColor; }
    void SetMinMaxButtonColor(TColor value);
    TColor MinMaxButtonHoverColor() const { return FMinMaxButtonHoverColor; }
    void SetMinMaxButtonHoverColor(TColor value) { FMinMaxButtonHoverColor = value; }
    bool MinMaxCaption() const { return FMinMaxCaption; }
    void SetMinMaxCaption(bool value) { FMinMaxCaption = value; }
    gp::TCaptionButtonPosition ButtonPosition() const { return FButtonPosition; }
    void SetButtonPosition(gp::TCaptionButtonPosition value);
    gp::TCaptionShape Shape() const { return FShape; }
    void SetShape(gp::TCaptionShape value);
    gp::TShadeType ShadeType() const { return FShadeType; }
    void SetShadeType(gp::TShadeType value);
    int ShadeLight() const { return FShadeLight; }
    // Values below 200 are raised to 200.
    void SetShadeLight(int value);
    int ShadeGrain() const { return FShadeGrain; }
    void SetShadeGrain(int value);

    // Pictures of the buttons and the bitmap shades; the setters copy.
    TBitmap& CloseMinGlyph() const { return *FCloseMinGlyph; }
    TBitmap& CloseMaxGlyph() const { return *FCloseMaxGlyph; }
    TBitmap& MinGlyph() const { return *FMinGlyph; }
    TBitmap& MaxGlyph() const { return *FMaxGlyph; }
    TBitmap& Background() const { return *FBackground; }
    void SetCloseMinGlyph(const TBitmap& value);
    void SetCloseMaxGlyph(const TBitmap& value);
    void SetMinGlyph(const TBitmap& value) { FMinGlyph->Assign(value); }
    void SetMaxGlyph(const TBitmap& value) { FMaxGlyph->Assign(value); }
    void SetBackground(const TBitmap& value);

    // Copies every setting but Text, Visible, Position, TopIndent and MinMaxCaption.
    void Assign(const TPanelCaption& source);

  signals:
    void Changed();
    void ShadeChanged();
    void StateChanged();
    void PositionChanged();

  private:
    void NotifyShade();

    bool FVisible = false;
    gp::TCaptionPosition FPosition = gp::cpTop;
    int FHeight = 20;
    QString FText;
    std::unique_ptr<TFont> FFont;
    TColor FColor = clHighlight;
    TColor FColorTo = clNone;
    gp::TGradientDirection FGradientDirection = gp::gdHorizontal;
    TColor FCloseColor = clBtnFace;
    bool FFlat = false;
    int FIndent = 0;
    int FTopIndent = 0;
    bool FCloseButton = false;
    TColor FCloseButtonColor = clWhite;
    TColor FCloseButtonHoverColor = clNone;
    bool FMinMaxButton = false;
    TColor FMinMaxButtonColor = clWhite;
    TColor FMinMaxButtonHoverColor = clNone;
    bool FMinMaxCaption = false;
    gp::TCaptionButtonPosition FButtonPosition = gp::cbpRight;
    gp::TCaptionShape FShape = gp::csRectangle;
    gp::TShadeType FShadeType = gp::stNormal;
    int FShadeLight = 200;
    int FShadeGrain = 32;
    std::unique_ptr<TBitmap> FCloseMinGlyph;
    std::unique_ptr<TBitmap> FCloseMaxGlyph;
    std::unique_ptr<TBitmap> FMinGlyph;
    std::unique_ptr<TBitmap> FMaxGlyph;
    std::unique_ptr<TBitmap> FBackground;
};

class TPanelStatusBar : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(vx::TFont* Font READ Font)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int ColorTo READ ColorTo WRITE SetColorTo)
    Q_PROPERTY(vx::gp::TGradientDirection GradientDirection READ GradientDirection WRITE
                   SetGradientDirection)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(vx::TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(bool BevelInner READ BevelInner WRITE SetBevelInner)

  public:
    explicit TPanelStatusBar(QObject* parent = nullptr);
    ~TPanelStatusBar() override;

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    QString Text() const { return FText; }
    void SetText(const QString& value);
    TFont* Font() const { return FFont.get(); }
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor value);
    gp::TGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(gp::TGradientDirection value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value);
    bool BevelInner() const { return FBevelInner; }
    void SetBevelInner(bool value);

    // Copies Color, ColorTo, GradientDirection, BorderStyle, BorderColor and Font.
    void Assign(const TPanelStatusBar& source);

  signals:
    void Changed();

  private:
    template <class T>
    void Store(T& field, T value);

    bool FVisible = false;
    int FHeight = 18;
    QString FText;
    std::unique_ptr<TFont> FFont;
    TColor FColor = clBtnFace;
    TColor FColorTo = clNone;
    gp::TGradientDirection FGradientDirection = gp::gdHorizontal;
    int FImageIndex = -1;
    TFormBorderStyle FBorderStyle = bsNone;
    TColor FBorderColor = clBlack;
    bool FBevelInner = false;
};

// The caption bar's shade picture for a panel of the given size (the bar's length comes from
// the panel, its thickness from the caption); `seed` restarts the noise and streaks.
QImage BuildShade(const TPanelCaption& caption, int panelWidth, int panelHeight, unsigned seed = 0);

}  // namespace vx
