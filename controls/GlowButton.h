// The glow button: a focusable push button that paints a two-half gradient face with a rounded
// border, fades its colours when the pointer enters, leaves, presses and releases, and clicks on
// release inside, on Enter and Space, and on its access key.
#pragma once

#include <QImage>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "Action.h"
#include "Control.h"
#include "DrawPrimitives.h"
#include "Graphics.h"
#include "ImageList.h"
#include "StdCtrls.h"
#include "Timer.h"

namespace vx {

namespace glow {
Q_NAMESPACE

enum TButtonLayout {
    blGlyphLeft,
    blGlyphTop,
    blGlyphRight,
    blGlyphBottom,
    blGlyphLeftAdjusted,
    blGlyphRightAdjusted,
    blGlyphTopAdjusted,
    blGlyphBottomAdjusted
};
Q_ENUM_NS(TButtonLayout)

enum TGlowButtonStyle { bsButton, bsCheck };
Q_ENUM_NS(TGlowButtonStyle)

// The button's own border setting (the window border styles have other names).
enum TBorderStyle { bsNone, bsSingle };
Q_ENUM_NS(TBorderStyle)

enum TButtonPosition { bpStandalone, bpLeft, bpMiddle, bpRight };
Q_ENUM_NS(TButtonPosition)

enum TFocusType { ftBorder, ftHot, ftHotBorder, ftNone };
Q_ENUM_NS(TFocusType)

enum TDropDownPosition { dpRight, dpBottom };
Q_ENUM_NS(TDropDownPosition)

enum TDropDownDirection { ddDown, ddRight };
Q_ENUM_NS(TDropDownDirection)

enum TShortCutHintPos { shpLeft, shpTop, shpRight, shpBottom };
Q_ENUM_NS(TShortCutHintPos)

enum TGlowButtonState { gsNormal, gsHot, gsDown };
Q_ENUM_NS(TGlowButtonState)

enum TGlowFaceState { gfsUp, gfsDisabled, gfsDown, gfsChecked };
Q_ENUM_NS(TGlowFaceState)

enum TFadeKind { fkIdle, fkHot, fkPress };
Q_ENUM_NS(TFadeKind)

}  // namespace glow

// One look of the face: the two halves' colours and gradients, the border, and whether it is
// an active (hot or down) look.
struct TGlowColorSet {
    TColor Color;
    TColor ColorTo;
    TColor ColorMirror;
    TColor ColorMirrorTo;
    TColor BorderColor;
    gdip::TGDIPGradient Gradient;
    gdip::TGDIPGradient GradientMirror;
    bool Active;
    bool operator==(const TGlowColorSet&) const = default;
};

// The face colours of `a` mixed into those of `b` (share of `a` in percent).
TGlowColorSet MixFaceColors(const TGlowColorSet& a, const TGlowColorSet& b, int percent,
                            TGlowColorSet into);

class TGlowButtonAppearance : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(int BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(int BorderColorHot READ BorderColorHot WRITE SetBorderColorHot)
    Q_PROPERTY(int BorderColorDown READ BorderColorDown WRITE SetBorderColorDown)
    Q_PROPERTY(int BorderColorChecked READ BorderColorChecked WRITE SetBorderColorChecked)
    Q_PROPERTY(int BorderColorDisabled READ BorderColorDisabled WRITE SetBorderColorDisabled)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int ColorTo READ ColorTo WRITE SetColorTo)
    Q_PROPERTY(int ColorChecked READ ColorChecked WRITE SetColorChecked)
    Q_PROPERTY(int ColorCheckedTo READ ColorCheckedTo WRITE SetColorCheckedTo)
    Q_PROPERTY(int ColorDisabled READ ColorDisabled WRITE SetColorDisabled)
    Q_PROPERTY(int ColorDisabledTo READ ColorDisabledTo WRITE SetColorDisabledTo)
    Q_PROPERTY(int ColorDown READ ColorDown WRITE SetColorDown)
    Q_PROPERTY(int ColorDownTo READ ColorDownTo WRITE SetColorDownTo)
    Q_PROPERTY(int ColorHot READ ColorHot WRITE SetColorHot)
    Q_PROPERTY(int ColorHotTo READ ColorHotTo WRITE SetColorHotTo)
    Q_PROPERTY(int ColorMirror READ ColorMirror WRITE SetColorMirror)
    Q_PROPERTY(int ColorMirrorTo READ ColorMirrorTo WRITE SetColorMirrorTo)
    Q_PROPERTY(int ColorMirrorHot READ ColorMirrorHot WRITE SetColorMirrorHot)
    Q_PROPERTY(int ColorMirrorHotTo READ ColorMirrorHotTo WRITE SetColorMirrorHotTo)
    Q_PROPERTY(int ColorMirrorDown READ ColorMirrorDown WRITE SetColorMirrorDown)
    Q_PROPERTY(int ColorMirrorDownTo READ ColorMirrorDownTo WRITE SetColorMirrorDownTo)
    Q_PROPERTY(int ColorMirrorChecked READ ColorMirrorChecked WRITE SetColorMirrorChecked)
    Q_PROPERTY(int ColorMirrorCheckedTo READ ColorMirrorCheckedTo WRITE SetColorMirrorCheckedTo)
    Q_PROPERTY(int ColorMirrorDisabled READ ColorMirrorDisabled WRITE SetColorMirrorDisabled)
    Q_PROPERTY(int ColorMirrorDisabledTo READ ColorMirrorDisabledTo WRITE SetColorMirrorDisabledTo)
    Q_PROPERTY(vx::gdip::TGDIPGradient Gradient READ Gradient WRITE SetGradient)
    Q_PROPERTY(vx::gdip::TGDIPGradient GradientMirror READ GradientMirror WRITE SetGradientMirror)
    Q_PROPERTY(vx::gdip::TGDIPGradient GradientHot READ GradientHot WRITE SetGradientHot)
    Q_PROPERTY(
        vx::gdip::TGDIPGradient GradientMirrorHot READ GradientMirrorHot WRITE SetGradientMirrorHot)
    Q_PROPERTY(vx::gdip::TGDIPGradient GradientDown READ GradientDown WRITE SetGradientDown)
    Q_PROPERTY(vx::gdip::TGDIPGradient GradientMirrorDown READ GradientMirrorDown WRITE
                   SetGradientMirrorDown)
    Q_PROPERTY(
        vx::gdip::TGDIPGradient GradientChecked READ GradientChecked WRITE SetGradientChecked)
    Q_PROPERTY(vx::gdip::TGDIPGradient GradientMirrorChecked READ GradientMirrorChecked WRITE
                   SetGradientMirrorChecked)
    Q_PROPERTY(
        vx::gdip::TGDIPGradient GradientDisabled READ GradientDisabled WRITE SetGradientDisabled)
    Q_PROPERTY(vx::gdip::TGDIPGradient GradientMirrorDisabled READ GradientMirrorDisabled WRITE
                   SetGradientMirrorDisabled)

  public:
    using G = gdip::TGDIPGradient;
    explicit TGlowButtonAppearance(QObject* parent = nullptr);

    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor v) { FBorderColor = v; }
    TColor BorderColorHot() const { return FBorderColorHot; }
    void SetBorderColorHot(TColor v) { FBorderColorHot = v; }
    TColor BorderColorDown() const { return FBorderColorDown; }
    void SetBorderColorDown(TColor v) { FBorderColorDown = v; }
    TColor BorderColorChecked() const { return FBorderColorChecked; }
    void SetBorderColorChecked(TColor v) { FBorderColorChecked = v; }
    TColor BorderColorDisabled() const { return FBorderColorDisabled; }
    void SetBorderColorDisabled(TColor v) { FBorderColorDisabled = v; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor v) { FColorTo = v; }
    TColor ColorChecked() const { return FColorChecked; }
    void SetColorChecked(TColor v) { FColorChecked = v; }
    TColor ColorCheckedTo() const { return FColorCheckedTo; }
    void SetColorCheckedTo(TColor v) { FColorCheckedTo = v; }
    TColor ColorDisabled() const { return FColorDisabled; }
    void SetColorDisabled(TColor v) { FColorDisabled = v; }
    TColor ColorDisabledTo() const { return FColorDisabledTo; }
    void SetColorDisabledTo(TColor v) { FColorDisabledTo = v; }
    TColor ColorDown() const { return FColorDown; }
    void SetColorDown(TColor v) { FColorDown = v; }
    TColor ColorDownTo() const { return FColorDownTo; }
    void SetColorDownTo(TColor v) { FColorDownTo = v; }
    TColor ColorHot() const { return FColorHot; }
    void SetColorHot(TColor v) { FColorHot = v; }
    TColor ColorHotTo() const { return FColorHotTo; }
    void SetColorHotTo(TColor v) { FColorHotTo = v; }
    TColor ColorMirror() const { return FColorMirror; }
    void SetColorMirror(TColor v) { FColorMirror = v; }
    TColor ColorMirrorTo() const { return FColorMirrorTo; }
    void SetColorMirrorTo(TColor v) { FColorMirrorTo = v; }
    TColor ColorMirrorHot() const { return FColorMirrorHot; }
    void SetColorMirrorHot(TColor v) { FColorMirrorHot = v; }
    TColor ColorMirrorHotTo() const { return FColorMirrorHotTo; }
    void SetColorMirrorHotTo(TColor v) { FColorMirrorHotTo = v; }
    TColor ColorMirrorDown() const { return FColorMirrorDown; }
    void SetColorMirrorDown(TColor v) { FColorMirrorDown = v; }
    TColor ColorMirrorDownTo() const { return FColorMirrorDownTo; }
    void SetColorMirrorDownTo(TColor v) { FColorMirrorDownTo = v; }
    TColor ColorMirrorChecked() const { return FColorMirrorChecked; }
    void SetColorMirrorChecked(TColor v) { FColorMirrorChecked = v; }
    TColor ColorMirrorCheckedTo() const { return FColorMirrorCheckedTo; }
    void SetColorMirrorCheckedTo(TColor v) { FColorMirrorCheckedTo = v; }
    TColor ColorMirrorDisabled() const { return FColorMirrorDisabled; }
    void SetColorMirrorDisabled(TColor v) { FColorMirrorDisabled = v; }
    TColor ColorMirrorDisabledTo() const { return FColorMirrorDisabledTo; }
    void SetColorMirrorDisabledTo(TColor v) { FColorMirrorDisabledTo = v; }
    G Gradient() const { return FGradient; }
    void SetGradient(G v) { FGradient = v; }
    G GradientMirror() const { return FGradientMirror; }
    void SetGradientMirror(G v) { FGradientMirror = v; }
    G GradientHot() const { return FGradientHot; }
    void SetGradientHot(G v) { FGradientHot = v; }
    G GradientMirrorHot() const { return FGradientMirrorHot; }
    void SetGradientMirrorHot(G v) { FGradientMirrorHot = v; }
    G GradientDown() const { return FGradientDown; }
    void SetGradientDown(G v) { FGradientDown = v; }
    G GradientMirrorDown() const { return FGradientMirrorDown; }
    void SetGradientMirrorDown(G v) { FGradientMirrorDown = v; }
    G GradientChecked() const { return FGradientChecked; }
    void SetGradientChecked(G v) { FGradientChecked = v; }
    G GradientMirrorChecked() const { return FGradientMirrorChecked; }
    void SetGradientMirrorChecked(G v) { FGradientMirrorChecked = v; }
    G GradientDisabled() const { return FGradientDisabled; }
    void SetGradientDisabled(G v) { FGradientDisabled = v; }
    G GradientMirrorDisabled() const { return FGradientMirrorDisabled; }
    void SetGradientMirrorDisabled(G v) { FGradientMirrorDisabled = v; }

    void Assign(const TGlowButtonAppearance& source);
    // The names a layout writer stores: values with a declared default only when they differ
    // from it, the others always.
    QStringList StoredProperties() const;
    // Tells the owner to show the values now; setting a value alone does not.
    void NotifyChanged() { emit Changed(); }

    TGlowColorSet NormalSet() const;
    TGlowColorSet HotSet() const;
    TGlowColorSet DownSet() const;
    TGlowColorSet CheckedSet() const;
    TGlowColorSet DisabledSet() const;

  signals:
    void Changed();

  private:
    TColor FBorderColor;
    TColor FBorderColorHot;
    TColor FBorderColorDown;
    TColor FBorderColorChecked;
    TColor FBorderColorDisabled;
    TColor FColor;
    TColor FColorTo;
    TColor FColorChecked;
    TColor FColorCheckedTo;
    TColor FColorDisabled;
    TColor FColorDisabledTo;
    TColor FColorDown;
    TColor FColorDownTo;
    TColor FColorHot;
    TColor FColorHotTo;
    TColor FColorMirror;
    TColor FColorMirrorTo;
    TColor FColorMirrorHot;
    TColor FColorMirrorHotTo;
    TColor FColorMirrorDown;
    TColor FColorMirrorDownTo;
    TColor FColorMirrorChecked;
    TColor FColorMirrorCheckedTo;
    TColor FColorMirrorDisabled;
    TColor FColorMirrorDisabledTo;
    G FGradient;
    G FGradientMirror;
    G FGradientHot;
    G FGradientMirrorHot;
    G FGradientDown;
    G FGradientMirrorDown;
    G FGradientChecked;
    G FGradientMirrorChecked;
    G FGradientDisabled;
    G FGradientMirrorDisabled;
};

// Rich hint settings; the button only stores them.
class TOfficeHint : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
    Q_PROPERTY(QString Notes READ Notes WRITE SetNotes)
    Q_PROPERTY(bool ShowHelp READ ShowHelp WRITE SetShowHelp)

  public:
    explicit TOfficeHint(QObject* parent = nullptr) : QObject(parent) {}
    QString Title() const { return FTitle; }
    void SetTitle(const QString& value) { FTitle = value; }
    QString Notes() const { return FNotes; }
    void SetNotes(const QString& value) { FNotes = value; }
    bool ShowHelp() const { return FShowHelp; }
    void SetShowHelp(bool value) { FShowHelp = value; }
    void Assign(const TOfficeHint& source);

  private:
    QString FTitle;
    QString FNotes;
    bool FShowHelp = false;
};

// A small borderless window showing a button's shortcut on a silver gradient.
class TShortCutHintWindow : public QWidget {
    Q_OBJECT
  public:
    explicit TShortCutHintWindow(QWidget* parent = nullptr);
    QString Caption() const { return FCaption; }
    // Takes the text and sizes the window to it.
    void SetCaption(const QString& value);

  protected:
    void paintEvent(QPaintEvent* e) override;

  private:
    QString FCaption;
};

// Everything the face routine needs for one paint.
// A face's background, border, focus rings and caption as last drawn, with what they were drawn
// from: drawing the same face again copies them instead of shading and laying them out anew.
struct TGlowFaceCache {
    struct TKey {
        // Where the face lies matters, not only its size: its border reaches to the right and
        // bottom coordinates taken as width and height.
        QRect Rect;
        qreal PixelRatio = 0;
        TGlowColorSet Colors{};
        bool Rounded = false;
        glow::TBorderStyle BorderStyle = glow::bsNone;
        glow::TButtonPosition Position = glow::bpStandalone;
        bool FocusBorder = false;
        bool MouseInside = false;
        bool DropDownButton = false;
        glow::TDropDownPosition DropDownPosition = glow::dpRight;
        bool DropDownSplit = false;
        int DropDownState = 0;
        QString Caption;
        QFont Font;
        TColor FontColor = clNone;
        bool Enabled = true;
        gdip::TAntiAlias AntiAlias = gdip::aaNone;
        glow::TButtonLayout Layout = glow::blGlyphLeft;
        int Spacing = 0;
        bool WordWrap = false;
        QSize Glyph;
        bool operator==(const TKey&) const = default;
    };
    TKey Key;
    QImage Image;
};

struct TGlowFaceParams {
    QRect Rect;
    TGlowColorSet Colors{};
    QString Caption;
    const TFont* Font = nullptr;
    glow::TButtonLayout Layout = glow::blGlyphLeft;
    int Spacing = 2;
    bool Rounded = true;
    bool WordWrap = true;
    gdip::TAntiAlias AntiAlias = gdip::aaClearType;
    glow::TBorderStyle BorderStyle = glow::bsSingle;
    glow::TButtonPosition Position = glow::bpStandalone;
    bool FocusBorder = false;
    bool SkipBackground = false;
    bool Enabled = true;
    bool MouseInside = false;
    TBitmap* GlyphBitmap = nullptr;
    TPicture* Picture = nullptr;
    TImageList* Images = nullptr;
    int ImageIndex = -1;
    bool DropDownButton = false;
    glow::TDropDownPosition DropDownPosition = glow::dpRight;
    glow::TDropDownDirection DropDownDirection = glow::ddDown;
    bool DropDownSplit = true;
    // 0 none, 1 drop-down part idle, 2 drop-down part under the pointer.
    int DropDownState = 0;
    bool MeasureOnly = false;
    // Where the button keeps its last face; none draws it afresh every time.
    TGlowFaceCache* Cache = nullptr;
};
// Draws the face (or only measures it) and returns the size the content needs.
QSize DrawGlowFace(TCanvas& canvas, const TGlowFaceParams& params);

class TCustomGlowButton;

// Ties a button to an action: the action's checked state becomes the button's Down, and the
// group and image index follow the action while both share the group.
class TGlowButtonActionLink {
  public:
    TGlowButtonActionLink(TCustomGlowButton& client, TAction& action)
        : FClient(client), FAction(&action) {}
    TAction* Action() const { return FAction; }
    bool IsGroupIndexLinked() const;
    bool Execute() { return FAction != nullptr && FAction->Execute(); }

  private:
    TCustomGlowButton& FClient;
    QPointer<TAction> FAction;
};

using TGlowButtonDrawEvent =
    std::function<void(QObject* Sender, TCanvas& Canvas, QRect Rect, glow::TGlowButtonState State)>;

class TCustomGlowButton : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(vx::gdip::TAntiAlias AntiAlias READ AntiAlias WRITE SetAntiAlias)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(vx::glow::TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(vx::glow::TFocusType FocusType READ FocusType WRITE SetFocusType)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(vx::TImageList* Images READ Images WRITE SetImages)
    Q_PROPERTY(vx::TImageList* HotImages READ HotImages WRITE SetHotImages)
    Q_PROPERTY(vx::TImageList* DisabledImages READ DisabledImages WRITE SetDisabledImages)
    Q_PROPERTY(vx::TPicture* Picture READ Picture)
    Q_PROPERTY(vx::TPicture* HotPicture READ HotPicture)
    Q_PROPERTY(vx::TPicture* DisabledPicture READ DisabledPicture)
    Q_PROPERTY(int MarginVert READ MarginVert WRITE SetMarginVert)
    Q_PROPERTY(int MarginHorz READ MarginHorz WRITE SetMarginHorz)
    Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(vx::TOfficeHint* OfficeHint READ OfficeHint)
    Q_PROPERTY(vx::glow::TButtonPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(bool Rounded READ Rounded WRITE SetRounded)
    Q_PROPERTY(QString ShortCutHint READ ShortCutHint WRITE SetShortCutHint)
    Q_PROPERTY(
        vx::glow::TShortCutHintPos ShortCutHintPos READ ShortCutHintPos WRITE SetShortCutHintPos)
    Q_PROPERTY(bool ShowCaption READ ShowCaption WRITE SetShowCaption)
    Q_PROPERTY(bool ShowDisabled READ ShowDisabled WRITE SetShowDisabled)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(QString Version READ Version WRITE SetVersion STORED false)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)

  public:
    explicit TCustomGlowButton(QWidget* parent = nullptr);
    ~TCustomGlowButton() override;

    gdip::TAntiAlias AntiAlias() const { return FAntiAlias; }
    void SetAntiAlias(gdip::TAntiAlias value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    glow::TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(glow::TBorderStyle value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    bool Default() const { return FDefault; }
    void SetDefault(bool value) { FDefault = value; }
    glow::TFocusType FocusType() const { return FFocusType; }
    void SetFocusType(glow::TFocusType value) { FFocusType = value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* value);
    TImageList* HotImages() const { return FHotImages; }
    void SetHotImages(TImageList* value);
    TImageList* DisabledImages() const { return FDisabledImages; }
    void SetDisabledImages(TImageList* value);
    TPicture* Picture() const { return FPicture.get(); }
    TPicture* HotPicture() const { return FHotPicture.get(); }
    TPicture* DisabledPicture() const { return FDisabledPicture.get(); }
    void SetPicture(const TPicture& value) { FPicture->Assign(value); }
    void SetHotPicture(const TPicture& value) { FHotPicture->Assign(value); }
    void SetDisabledPicture(const TPicture& value);
    int MarginVert() const { return FMarginVert; }
    void SetMarginVert(int value);
    int MarginHorz() const { return FMarginHorz; }
    void SetMarginHorz(int value);
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int value) { FModalResult = value; }
    TOfficeHint* OfficeHint() const { return FOfficeHint.get(); }
    glow::TButtonPosition Position() const { return FPosition; }
    void SetPosition(glow::TButtonPosition value);
    bool Rounded() const { return FRounded; }
    void SetRounded(bool value);
    QString ShortCutHint() const { return FShortCutHint; }
    void SetShortCutHint(const QString& value) { FShortCutHint = value; }
    glow::TShortCutHintPos ShortCutHintPos() const { return FShortCutHintPos; }
    void SetShortCutHintPos(glow::TShortCutHintPos value) { FShortCutHintPos = value; }
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool value);
    bool ShowDisabled() const { return FShowDisabled; }
    void SetShowDisabled(bool value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value) { FTransparent = value; }
    QString Version() const;
    // The version is read-only; assigning it has no effect.
    void SetVersion(const QString&) {}
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);

    // Further settings that TGlowButton publishes.
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    TGlowButtonAppearance* Appearance() const { return FAppearance.get(); }
    void SetAppearance(const TGlowButtonAppearance& value) { FAppearance->Assign(value); }
    bool Down() const { return FDown; }
    void SetDown(bool value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value);
    glow::TButtonLayout Layout() const { return FLayout; }
    void SetLayout(glow::TButtonLayout value);
    glow::TGlowButtonStyle Style() const { return FStyle; }
    void SetStyle(glow::TGlowButtonStyle value) { FStyle = value; }
    bool DropDownButton() const { return FDropDownButton; }
    void SetDropDownButton(bool value);
    glow::TDropDownPosition DropDownPosition() const { return FDropDownPosition; }
    void SetDropDownPosition(glow::TDropDownPosition value);
    glow::TDropDownDirection DropDownDirection() const { return FDropDownDirection; }
    void SetDropDownDirection(glow::TDropDownDirection value);
    bool DropDownSplit() const { return FDropDownSplit; }
    void SetDropDownSplit(bool value) { FDropDownSplit = value; }
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* value);

    TAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    void SetAction(TAction* value);

    // Loads one of the built-in looks (0 … 9; 8 keeps the current one) and shows it.
    void SetComponentStyle(int style);

    // The shortcut hint: shown beside the button in a window the button owns.
    void ShowShortCutHint();
    void HideShortCutHint();
    TShortCutHintWindow* ShortCutHintWindow() const { return FShortCutHintWindow.get(); }

    virtual void AfterDrawFace() {}
    virtual void GetGlyphBitmap(TBitmap& bitmap) { (void)bitmap; }
    virtual std::uint32_t VersionNumber() const;
    virtual bool IsMenuButton() const { return false; }

    // Marks the button as built from a layout: `Down` waits for the rest of the values.
    void BeginLayoutLoad() { FLoading = true; }
    void Loaded() override;

    // The click operation: the window's modal result, then the click itself.
    void Click() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void KeyDown(TKey& key, TShiftState shift) override;
    void KeyUp(TKey& key, TShiftState shift) override;
    void KeyPress(QChar& key) override;
    bool DialogChar(QChar key, TShiftState shift) override;
    bool DialogKey(TKey key, TShiftState shift) override;
    void DoEnter() override;
    void DoExit() override;

    // A member of the group `group` went down (sent to every control of the parent).
    void ButtonPressed(int group, TCustomGlowButton* sender);

    // The state the handlers keep, readable for the window and tests.
    glow::TGlowFaceState FaceState() const { return FFaceState; }
    bool Hot() const { return FHot; }
    bool MouseInside() const { return FMouseInside; }
    bool Pressed() const { return FPressed; }
    bool Active() const { return FActive; }
    int HotPercent() const { return FHotPercent; }
    int DownPercent() const { return FDownPercent; }
    glow::TFadeKind FadeKind() const { return FFadeKind; }
    TTimer* FadeTimer() const { return FFadeTimer; }

    TGlowButtonDrawEvent OnDrawButton;
    TNotifyEvent OnDropDown;

  protected:
    void Paint() override;
    void EnabledChanged() override;
    void showEvent(QShowEvent* e) override;

  private:
    bool InDropDownPart(int x, int y) const;
    bool InsideClient(int x, int y) const;
    void EnsureFadeTimer();
    void FadeTick();
    void TrackingResync(QPoint point);
    void ReMeasure();
    void SetModalResultOfForm();
    void BroadcastGroup();
    void DropDown();
    void FocusChanged(QWidget* now);
    void FreeFadeTimer();
    void ActionChange(bool checkDefaults);
    void ActionUpdated();
    bool ActionLinked() const { return Action() != nullptr; }
    bool AbleToFocus() const;
    glow::TGlowButtonState DrawState() const;

    gdip::TAntiAlias FAntiAlias = gdip::aaClearType;
    bool FAutoSize = false;
    glow::TBorderStyle FBorderStyle = glow::bsSingle;
    bool FCancel = false;
    QString FCaption;
    bool FDefault = false;
    glow::TFocusType FFocusType = glow::ftBorder;
    int FImageIndex = -1;
    QPointer<TImageList> FImages;
    QPointer<TImageList> FHotImages;
    QPointer<TImageList> FDisabledImages;
    std::unique_ptr<TPicture> FPicture;
    std::unique_ptr<TPicture> FHotPicture;
    std::unique_ptr<TPicture> FDisabledPicture;
    int FMarginVert = 2;
    int FMarginHorz = 2;
    int FModalResult = 0;
    std::unique_ptr<TOfficeHint> FOfficeHint;
    glow::TButtonPosition FPosition = glow::bpStandalone;
    bool FRounded = true;
    QString FShortCutHint;
    glow::TShortCutHintPos FShortCutHintPos = glow::shpTop;
    bool FShowCaption = true;
    bool FShowDisabled = true;
    int FSpacing = 2;
    bool FTransparent = false;
    bool FWordWrap = true;

    bool FAllowAllUp = false;
    std::unique_ptr<TGlowButtonAppearance> FAppearance;
    bool FDown = false;
    int FGroupIndex = 0;
    glow::TButtonLayout FLayout = glow::blGlyphLeft;
    glow::TGlowButtonStyle FStyle = glow::bsButton;
    bool FDropDownButton = false;
    glow::TDropDownPosition FDropDownPosition = glow::dpRight;
    glow::TDropDownDirection FDropDownDirection = glow::ddDown;
    bool FDropDownSplit = true;
    QPointer<TPopupMenu> FDropDownMenu;
    std::unique_ptr<TShortCutHintWindow> FShortCutHintWindow;
    std::unique_ptr<TGlowButtonActionLink> FActionLink;
    QMetaObject::Connection FActionConnection;

    glow::TGlowFaceState FFaceState = glow::gfsUp;
    bool FHot = false;
    bool FMouseInside = false;
    bool FTracking = false;
    bool FPressed = false;
    bool FMouseHeld = false;
    bool FLeftWhileHeld = false;
    bool FClickPending = false;
    int FHotPercent = 0;
    int FDownPercent = 0;
    int FFadeStep = 20;
    glow::TFadeKind FFadeKind = glow::fkIdle;
    TTimer* FFadeTimer = nullptr;
    bool FActive = false;
    bool FDropDownHot = false;
    bool FDroppedDown = false;
    bool FLoadedDown = false;
    bool FActionChecked = false;
    bool FLoading = false;
    bool FWindowCreated = false;
    bool FNeedMeasure = false;
    bool FMeasured = false;
    TGlowFaceCache FFaceCache;
    // A left press began here and may click on release (the base control's own record).
    bool FBaseClickPending = false;
};

class TGlowButton : public TCustomGlowButton {
    Q_OBJECT
    Q_PROPERTY(vx::TAction* Action READ Action WRITE SetAction)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(vx::TGlowButtonAppearance* Appearance READ Appearance)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(vx::glow::TButtonLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(vx::glow::TGlowButtonStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(bool DropDownButton READ DropDownButton WRITE SetDropDownButton)
    Q_PROPERTY(vx::glow::TDropDownPosition DropDownPosition READ DropDownPosition WRITE
                   SetDropDownPosition)
    Q_PROPERTY(vx::glow::TDropDownDirection DropDownDirection READ DropDownDirection WRITE
                   SetDropDownDirection)
    Q_PROPERTY(bool DropDownSplit READ DropDownSplit WRITE SetDropDownSplit)
    Q_PROPERTY(vx::TPopupMenu* DropDownMenu READ DropDownMenu WRITE SetDropDownMenu)

  public:
    explicit TGlowButton(QWidget* parent = nullptr) : TCustomGlowButton(parent) {}
};

// Registers TGlowButton, TImageList, TAction and the glow button's events for layouts.
void RegisterGlowButton();

}  // namespace vx
