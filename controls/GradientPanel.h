// A container painted as a banded two-colour gradient with bevels, border and shadow, a
// background picture, formatted text, a caption bar and a status bar, that collapses to its
// caption bar and can keep its place and size between runs.
#pragma once

#include <QImage>
#include <QPointer>
#include <functional>
#include <memory>

#include "FormattedText.h"
#include "PanelCaption.h"
#include "PanelDrawing.h"
#include "StdCtrls.h"

namespace vx {

class TCustomGradientPanel;

using TAnchorClick = std::function<void(QObject* Sender, const QString& Anchor)>;
using TAnchorHintEvent = std::function<void(QObject* Sender, QString& Anchor)>;
using TPanelPaintEvent = std::function<void(QObject* Sender, TCanvas& Canvas, const QRect& R)>;

// Where and whether a panel keeps its place and size between runs.
class TPanelPosition : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(bool Save READ Save WRITE SetSave)
    Q_PROPERTY(QString Key READ Key WRITE SetKey)
    Q_PROPERTY(QString Section READ Section WRITE SetSection)
    Q_PROPERTY(vx::gp::TPanelLocation Location READ Location WRITE SetLocation)

  public:
    explicit TPanelPosition(QObject* parent = nullptr) : QObject(parent) {}
    bool Save() const { return FSave; }
    void SetSave(bool value) { FSave = value; }
    QString Key() const { return FKey; }
    void SetKey(const QString& value) { FKey = value; }
    QString Section() const { return FSection; }
    void SetSection(const QString& value) { FSection = value; }
    gp::TPanelLocation Location() const { return FLocation; }
    void SetLocation(gp::TPanelLocation value) { FLocation = value; }
    // Saving is on and both names are given.
    bool Active() const { return FSave && !FKey.isEmpty() && !FSection.isEmpty(); }

  private:
    bool FSave = false;
    QString FKey;
    QString FSection;
    gp::TPanelLocation FLocation = gp::clRegistry;
};

// Sizing the panel to its text.
class TAutoSize : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(bool Height READ Height WRITE SetHeight)
    Q_PROPERTY(bool Width READ Width WRITE SetWidth)

  public:
    explicit TAutoSize(QObject* parent = nullptr) : QObject(parent) {}
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool Height() const { return FHeight; }
    void SetHeight(bool value);
    bool Width() const { return FWidth; }
    void SetWidth(bool value);
    void Assign(const TAutoSize& source);

  signals:
    void Changed();

  private:
    bool FEnabled = false;
    bool FHeight = true;
    bool FWidth = true;
};

class TCustomGradientPanel : public TPanel {
    Q_OBJECT
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int ColorTo READ ColorTo WRITE SetColorTo)
    Q_PROPERTY(int ColorMirror READ ColorMirror WRITE SetColorMirror)
    Q_PROPERTY(int ColorMirrorTo READ ColorMirrorTo WRITE SetColorMirrorTo)
    Q_PROPERTY(vx::gp::TGradientDirection GradientDirection READ GradientDirection WRITE
                   SetGradientDirection)
    Q_PROPERTY(vx::TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(bool BorderShadow READ BorderShadow WRITE SetBorderShadow)
    Q_PROPERTY(vx::TPicture* Background READ Background)
    Q_PROPERTY(vx::gp::TBackGroundPosition BackgroundPosition READ BackgroundPosition WRITE
                   SetBackgroundPosition)
    Q_PROPERTY(bool Buffered READ Buffered WRITE SetBuffered)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(vx::gp::TTextVAlignment TextVAlign READ TextVAlign WRITE SetTextVAlign)
    Q_PROPERTY(int Indent READ Indent WRITE SetIndent)
    Q_PROPERTY(int TopIndent READ TopIndent WRITE SetTopIndent)
    Q_PROPERTY(int LineSpacing READ LineSpacing WRITE SetLineSpacing)
    Q_PROPERTY(bool Ellipsis READ Ellipsis WRITE SetEllipsis)
    Q_PROPERTY(int URLColor READ URLColor WRITE SetURLColor)
    Q_PROPERTY(bool Hover READ Hover WRITE SetHover)
    Q_PROPERTY(int HoverColor READ HoverColor WRITE SetHoverColor)
    Q_PROPERTY(int HoverFontColor READ HoverFontColor WRITE SetHoverFontColor)
    Q_PROPERTY(int ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(int ShadowOffset READ ShadowOffset WRITE SetShadowOffset)
    Q_PROPERTY(bool AnchorHint READ AnchorHint WRITE SetAnchorHint)
    Q_PROPERTY(vx::TPanelCaption* Caption READ Caption)
    Q_PROPERTY(vx::TPanelStatusBar* StatusBar READ StatusBar)
    Q_PROPERTY(bool Collaps READ Collaps WRITE SetCollaps)
    Q_PROPERTY(int CollapsColor READ CollapsColor WRITE SetCollapsColor)
    Q_PROPERTY(int CollapsDelay READ CollapsDelay WRITE SetCollapsDelay)
    Q_PROPERTY(int CollapsSteps READ CollapsSteps WRITE SetCollapsSteps)
    Q_PROPERTY(bool AutoHideChildren READ AutoHideChildren WRITE SetAutoHideChildren)
    Q_PROPERTY(bool CanMove READ CanMove WRITE SetCanMove)
    Q_PROPERTY(bool CanSize READ CanSize WRITE SetCanSize)
    Q_PROPERTY(bool FixedLeft READ FixedLeft WRITE SetFixedLeft)
    Q_PROPERTY(bool FixedTop READ FixedTop WRITE SetFixedTop)
    Q_PROPERTY(bool FixedWidth READ FixedWidth WRITE SetFixedWidth)
    Q_PROPERTY(bool FixedHeight READ FixedHeight WRITE SetFixedHeight)
    Q_PROPERTY(bool FreeOnClose READ FreeOnClose WRITE SetFreeOnClose)
    Q_PROPERTY(bool ShowMoveCursor READ ShowMoveCursor WRITE SetShowMoveCursor)
    Q_PROPERTY(vx::TAutoSize* AutoSize READ AutoSize)
    Q_PROPERTY(vx::TPanelPosition* Position READ Position)
    Q_PROPERTY(bool UseDockManager READ UseDockManager WRITE SetUseDockManager)
    Q_PROPERTY(bool DockSite READ DockSite WRITE SetDockSite)
    Q_PROPERTY(bool Locked READ Locked WRITE SetLocked)
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)

  public:
    explicit TCustomGradientPanel(QWidget* parent = nullptr);
    ~TCustomGradientPanel() override;

    // Height and width keep the expanded size as FullHeight (the width for a left caption),
    // except while collapsed or while a collapse or expand runs.
    void SetHeight(int value);
    void SetWidth(int value);
    int FullHeight() const { return FFullHeight; }
    void SetFullHeight(int value) { FFullHeight = value; }

    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor value);
    TColor ColorMirror() const { return FColorMirror; }
    void SetColorMirror(TColor value);
    TColor ColorMirrorTo() const { return FColorMirrorTo; }
    void SetColorMirrorTo(TColor value);
    gp::TGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(gp::TGradientDirection value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value);
    bool BorderShadow() const { return FBorderShadow; }
    void SetBorderShadow(bool value);
    TPicture* Background() const { return FBackground.get(); }
    void SetBackground(const TPicture& value) { FBackground->Assign(value); }
    gp::TBackGroundPosition BackgroundPosition() const { return FBackgroundPosition; }
    void SetBackgroundPosition(gp::TBackGroundPosition value);
    bool Buffered() const { return FBuffered; }
    void SetBuffered(bool value) { FBuffered = value; }
    QString Text() const { return FText; }
    void SetText(const QString& value);
    gp::TTextVAlignment TextVAlign() const { return FTextVAlign; }
    void SetTextVAlign(gp::TTextVAlignment value);
    int Indent() const { return FIndent; }
    void SetIndent(int value);
    int TopIndent() const { return FTopIndent; }
    void SetTopIndent(int value);
    int LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(int value);
    bool Ellipsis() const { return FEllipsis; }
    void SetEllipsis(bool value);
    TColor URLColor() const { return FURLColor; }
    void SetURLColor(TColor value);
    bool Hover() const { return FHover; }
    void SetHover(bool value) { FHover = value; }
    TColor HoverColor() const { return FHoverColor; }
    void SetHoverColor(TColor value) { FHoverColor = value; }
    TColor HoverFontColor() const { return FHoverFontColor; }
    void SetHoverFontColor(TColor value) { FHoverFontColor = value; }
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor value);
    int ShadowOffset() const { return FShadowOffset; }
    void SetShadowOffset(int value);
    bool AnchorHint() const { return FAnchorHint; }
    void SetAnchorHint(bool value) { FAnchorHint = value; }
    TPanelCaption* Caption() const { return FCaption.get(); }
    void SetCaption(const TPanelCaption& value) { FCaption->Assign(value); }
    TPanelStatusBar* StatusBar() const { return FStatusBar.get(); }
    void SetStatusBar(const TPanelStatusBar& value) { FStatusBar->Assign(value); }
    bool Collaps() const { return FCollaps; }
    void SetCollaps(bool value);
    TColor CollapsColor() const { return FCollapsColor; }
    void SetCollapsColor(TColor value) { FCollapsColor = value; }
    int CollapsDelay() const { return FCollapsDelay; }
    void SetCollapsDelay(int value) { FCollapsDelay = value; }
    int CollapsSteps() const { return FCollapsSteps; }
    void SetCollapsSteps(int value) { FCollapsSteps = value; }
    bool AutoHideChildren() const { return FAutoHideChildren; }
    void SetAutoHideChildren(bool value) { FAutoHideChildren = value; }
    bool CanMove() const { return FCanMove; }
    void SetCanMove(bool value) { FCanMove = value; }
    bool CanSize() const { return FCanSize; }
    void SetCanSize(bool value);
    bool FixedLeft() const { return FFixedLeft; }
    void SetFixedLeft(bool value) { FFixedLeft = value; }
    bool FixedTop() const { return FFixedTop; }
    void SetFixedTop(bool value) { FFixedTop = value; }
    bool FixedWidth() const { return FFixedWidth; }
    void SetFixedWidth(bool value) { FFixedWidth = value; }
    bool FixedHeight() const { return FFixedHeight; }
    void SetFixedHeight(bool value) { FFixedHeight = value; }
    bool FreeOnClose() const { return FFreeOnClose; }
    void SetFreeOnClose(bool value) { FFreeOnClose = value; }
    bool ShowMoveCursor() const { return FShowMoveCursor; }
    void SetShowMoveCursor(bool value) { FShowMoveCursor = value; }
    TAutoSize* AutoSize() const { return FAutoSize.get(); }
    void SetAutoSize(const TAutoSize& value) { FAutoSize->Assign(value); }
    TPanelPosition* Position() const { return FPosition.get(); }
    bool UseDockManager() const { return FUseDockManager; }
    void SetUseDockManager(bool value) { FUseDockManager = value; }
    bool DockSite() const { return FDockSite; }
    void SetDockSite(bool value) { FDockSite = value; }
    bool Locked() const { return FLocked; }
    void SetLocked(bool value) { FLocked = value; }
    QString Version() const;
    void SetVersion(const QString&) {}

    // Whether a collapse or expand is running (nested requests change nothing meanwhile).
    bool CollapsInProgress() const { return FCollapsing; }
    // The caption bar's current shade picture.
    const QImage& Shade() const { return FShade; }
    bool CloseHovered() const { return FCloseHovered; }
    bool MinMaxHovered() const { return FMinMaxHovered; }
    bool Moving() const { return FMoving; }

    QRect AlignRect() const override;
    void SetBounds(int left, int top, int width, int height) override;
    bool ReadExtra(const QString& name, const TLayoutValue& value) override;
    void Loading() override;
    void Loaded() override;

    // Draws the panel as one paint does (steps into a buffer when Buffered).
    void PaintTo(TCanvas& canvas);

    // Regenerates the caption bar's shade picture.
    virtual void RebuildShade();
    // Runs at the end of every collapse or expand request and when the caption bar is shown or
    // hidden.
    virtual void StateChanged() {}

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseLeave() override;
    // A double click in the caption band, at the place of the press that started it.
    void DblClick() override;

    TNotifyEvent OnCaptionClick;
    TNotifyEvent OnCaptionDBlClick;
    TAnchorClick OnAnchorClick;
    TAnchorClick OnAnchorEnter;
    TAnchorClick OnAnchorExit;
    TAnchorHintEvent OnAnchorHint;
    TNotifyEvent OnClose;
    TNotifyEvent OnEndMoveSize;
    TNotifyEvent OnMinimize;
    TNotifyEvent OnMaximize;
    TNotifyEvent OnEndCollapsExpand;
    TPanelPaintEvent OnPaint;

  protected:
    void Paint() override;
    void Resize() override;
    // One pause of the collapse animation: pending messages are processed, then the thread
    // sleeps CollapsDelay milliseconds.
    virtual void AnimationPause();

  private:
    enum class TDrag { None, Move, Size };

    void SetCollapsedHeight(int value);
    void Collapse();
    void Expand();
    void ShowChildren(bool visible);
    void DoAutoSize();
    void ReadPosition();
    void WritePosition();

    void PaintBackground(TCanvas& canvas, TEdgeRect r);
    void PaintBorder(TCanvas& canvas, TEdgeRect& r);
    void PaintBevels(TCanvas& canvas, TEdgeRect& r);
    void PaintPicture(TCanvas& canvas, const TEdgeRect& r);
    void PaintText(TCanvas& canvas);
    void PaintCaption(TCanvas& canvas);
    void PaintShadedBar(TCanvas& canvas, TEdgeRect band);
    void PaintCaptionButtons(TCanvas& canvas, TEdgeRect& b);
    void PaintCaptionText(TCanvas& canvas, TEdgeRect b);
    void PaintStatusBar(TCanvas& canvas);
    void PaintSizeGrip(TCanvas& canvas);

    TFormattedTextStyle TextStyle(const TFont& font, const QString& hoverAnchor) const;
    TEdgeRect BodyRect() const;
    TEdgeRect TextRect() const;
    QString AnchorIn(const QString& markup, const TFont& font, TEdgeRect r, bool aligned, int x,
                     int y) const;
    QString AnchorAt(int x, int y) const;
    TEdgeRect CaptionTextRect() const;
    TEdgeRect StatusRect() const;
    TEdgeRect StatusTextRect() const;
    TEdgeRect CaptionBase() const;
    TEdgeRect CaptionBand() const;
    int ButtonSize() const;
    TEdgeRect ButtonSquare(const TEdgeRect& client, int w, bool forMinMax) const;
    bool InCloseButton(int x, int y) const;
    bool InMinMaxButton(int x, int y) const;
    bool InCaptionBand(int x, int y, bool shrunk) const;
    bool InSizeGrip(int x, int y) const;
    bool Horizontal() const { return FGradientDirection == gp::gdHorizontal; }
    bool LeftCaption() const { return FCaption->Position() == gp::cpLeft; }
    void ClosePanel();

    QString FText;
    std::unique_ptr<TPicture> FBackground;
    gp::TBackGroundPosition FBackgroundPosition = gp::bpTopLeft;
    std::unique_ptr<TPanelCaption> FCaption;
    TColor FURLColor = clBlue;
    TColor FSavedColor = clBtnFace;
    bool FCollaps = false;
    int FFullHeight = 0;
    QString FHoverAnchor;
    bool FHover = false;
    TColor FHoverColor = clNone;
    TColor FHoverFontColor = clNone;
    int FShadowOffset = 2;
    TColor FShadowColor = clGray;
    bool FAnchorHint = false;
    bool FCanSize = false;
    bool FCanMove = false;
    gp::TTextVAlignment FTextVAlign = gp::tvaTop;
    std::unique_ptr<TPanelPosition> FPosition;
    bool FFixedLeft = false;
    bool FFixedTop = false;
    bool FFixedWidth = false;
    bool FFixedHeight = false;
    QPoint FLoadedOrigin;
    QSize FLoadedSize;
    TCursor FSavedCursor = crDefault;
    bool FMoving = false;
    bool FShowMoveCursor = false;
    QImage FShade;
    bool FFreeOnClose = false;
    bool FCollapsing = false;
    int FCollapsDelay = 20;
    int FCollapsSteps = 0;
    TColor FCollapsColor = clGray;
    std::unique_ptr<TAutoSize> FAutoSize;
    bool FAutoHideChildren = true;
    TColor FColorTo = clNone;
    TColor FBorderColor = clBlack;
    bool FBuffered = true;
    bool FBorderShadow = false;
    int FIndent = 0;
    int FTopIndent = 0;
    int FLineSpacing = 0;
    bool FEllipsis = false;
    int FLastWidth = -1;
    int FLastHeight = -1;
    gp::TGradientDirection FGradientDirection = gp::gdVertical;
    bool FCloseHovered = false;
    bool FMinMaxHovered = false;
    std::unique_ptr<TPanelStatusBar> FStatusBar;
    TColor FColorMirror = clNone;
    TColor FColorMirrorTo = clNone;
    TFormBorderStyle FBorderStyle = bsNone;
    bool FUseDockManager = true;
    bool FDockSite = false;
    bool FLocked = false;
    bool FLoading = false;
    TDrag FDrag = TDrag::None;
    // The drag has moved or sized the panel: only then is it a move or size, not a click.
    bool FDragChanged = false;
    QPoint FDragStart;
    QPoint FLastMouse;
    QRect FDragBounds;
};

class TGradientPanel : public TCustomGradientPanel {
    Q_OBJECT
  public:
    explicit TGradientPanel(QWidget* parent = nullptr) : TCustomGradientPanel(parent) {}
};

// Makes the gradient panel known to layouts (class and events).
void RegisterGradientPanel();

}  // namespace vx
