// The tool panel: a container with a caption bar (text, close button, lock pin, dock dots,
// caption drop-down button), a banded gradient body and a stack of sections of link items.
#pragma once

#include <QPointer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "Graphics.h"
#include "PanelDrawing.h"
#include "StdCtrls.h"

namespace vx::tp {
Q_NAMESPACE

enum TGradientDirection { gdHorizontal, gdVertical };
Q_ENUM_NS(TGradientDirection)

enum TTPBackGroundPosition {
    bpTopLeft,
    bpTopRight,
    bpBottomLeft,
    bpBottomRight,
    bpTiled,
    bpStretched,
    bpCenter
};
Q_ENUM_NS(TTPBackGroundPosition)

enum TToolPanelStyle {
    esOffice2003Blue,
    esOffice2003Silver,
    esOffice2003Olive,
    esOffice2003Classic,
    esOffice2007Luna,
    esOffice2007Obsidian,
    esWindowsXP,
    esWhidbey,
    esCustom,
    esOffice2007Silver
};
Q_ENUM_NS(TToolPanelStyle)

enum TSectionCorners { scRectangle, scRoundLeft, scRoundRight, scRoundLeftRight };
Q_ENUM_NS(TSectionCorners)

}  // namespace vx::tp

namespace vx {

class TToolPanel;

using TItemClickEvent = std::function<void(QObject* Sender, int SectionIndex, int ItemIndex)>;
using TSectionEvent = std::function<void(QObject* Sender, int SectionIndex)>;

struct TSectionItem {
    // The caption "-" makes the item a separator line.
    QString Caption = QStringLiteral("Untitled");
    bool Enabled = true;
    QString Hint;
    int ImageIndex = -1;
    int Tag = 0;
};

class TToolPanelSection {
  public:
    explicit TToolPanelSection(TToolPanel& panel) : FPanel(panel) {}

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    bool Autosize() const { return FAutosize; }
    void SetAutosize(bool value);
    bool Draw() const { return FDraw; }
    void SetDraw(bool value);
    bool Node() const { return FNode; }
    void SetNode(bool value);
    int CaptionImageIndex() const { return FCaptionImageIndex; }
    void SetCaptionImageIndex(int value);
    bool Expanded() const { return FExpanded; }

    const std::deque<TSectionItem>& SectionItems() const { return FItems; }
    // The new item stays where it is while more are added, so the reference keeps reaching it.
    TSectionItem& AddItem(const QString& caption);
    // Replaces an item's values and repaints.
    void SetItem(int index, const TSectionItem& item);

  private:
    friend class TToolPanel;

    TToolPanel& FPanel;
    QString FCaption = QStringLiteral("Untitled");
    int FHeight = 48;
    bool FAutosize = false;
    bool FDraw = true;
    bool FNode = false;
    int FCaptionImageIndex = -1;
    std::deque<TSectionItem> FItems;
    bool FExpanded = true;
    int FExpandedHeight = 48;
    std::vector<QPointer<TControl>> FHiddenChildren;
};

// The look of every section of a tool panel.
class TSectionLayout : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(int CaptionColor READ CaptionColor WRITE SetCaptionColor)
    Q_PROPERTY(int CaptionColorTo READ CaptionColorTo WRITE SetCaptionColorTo)
    Q_PROPERTY(int CaptionFontColor READ CaptionFontColor WRITE SetCaptionFontColor)
    Q_PROPERTY(vx::tp::TGradientDirection CaptionGradientDir READ CaptionGradientDir WRITE
                   SetCaptionGradientDir)
    Q_PROPERTY(bool CaptionRounded READ CaptionRounded WRITE SetCaptionRounded)
    Q_PROPERTY(vx::tp::TSectionCorners Corners READ Corners WRITE SetCorners)
    Q_PROPERTY(int BackGroundColor READ BackGroundColor WRITE SetBackGroundColor)
    Q_PROPERTY(int BackGroundColorTo READ BackGroundColorTo WRITE SetBackGroundColorTo)
    Q_PROPERTY(vx::tp::TGradientDirection BackGroundGradientDir READ BackGroundGradientDir WRITE
                   SetBackGroundGradientDir)
    Q_PROPERTY(int BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(int Indent READ Indent WRITE SetIndent)
    Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
    Q_PROPERTY(int ItemFontColor READ ItemFontColor WRITE SetItemFontColor)
    Q_PROPERTY(int ItemHoverTextColor READ ItemHoverTextColor WRITE SetItemHoverTextColor)
    Q_PROPERTY(bool ItemHoverUnderline READ ItemHoverUnderline WRITE SetItemHoverUnderline)
    Q_PROPERTY(bool UnderLineCaption READ UnderLineCaption WRITE SetUnderLineCaption)

  public:
    explicit TSectionLayout(QObject* parent = nullptr) : QObject(parent) {}

#define VX_SECTION_FIELD(Type, Name, Default) \
  public:                                     \
    Type Name() const {                       \
        return F##Name;                       \
    }                                         \
    void Set##Name(Type value) {              \
        F##Name = value;                      \
        emit Changed();                       \
    }                                         \
                                              \
  private:                                    \
    Type F##Name = Default;

    VX_SECTION_FIELD(TColor, CaptionColor, 16244422)
    VX_SECTION_FIELD(TColor, CaptionColorTo, 14060643)
    VX_SECTION_FIELD(TColor, CaptionFontColor, 8661248)
    VX_SECTION_FIELD(tp::TGradientDirection, CaptionGradientDir, tp::gdHorizontal)
    VX_SECTION_FIELD(bool, CaptionRounded, false)
    VX_SECTION_FIELD(tp::TSectionCorners, Corners, tp::scRectangle)
    VX_SECTION_FIELD(TColor, BackGroundColor, 16248798)
    VX_SECTION_FIELD(TColor, BackGroundColorTo, 16242365)
    VX_SECTION_FIELD(tp::TGradientDirection, BackGroundGradientDir, tp::gdVertical)
    VX_SECTION_FIELD(TColor, BorderColor, clWhite)
    VX_SECTION_FIELD(int, BorderWidth, 1)
    VX_SECTION_FIELD(int, Indent, 4)
    VX_SECTION_FIELD(int, Spacing, 4)
    VX_SECTION_FIELD(TColor, ItemFontColor, 11876608)
    VX_SECTION_FIELD(TColor, ItemHoverTextColor, 11876608)
    VX_SECTION_FIELD(bool, ItemHoverUnderline, true)
    VX_SECTION_FIELD(bool, UnderLineCaption, false)

#undef VX_SECTION_FIELD

  signals:
    void Changed();
};

class TToolPanel : public TPanel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int ColorTo READ ColorTo WRITE SetColorTo)
    Q_PROPERTY(vx::tp::TGradientDirection GradientDirection READ GradientDirection WRITE
                   SetGradientDirection)
    Q_PROPERTY(vx::tp::TGradientDirection CaptionGradientDirection READ CaptionGradientDirection
                   WRITE SetCaptionGradientDirection)
    Q_PROPERTY(int FocusCaptionColor READ FocusCaptionColor WRITE SetFocusCaptionColor)
    Q_PROPERTY(int FocusCaptionColorTo READ FocusCaptionColorTo WRITE SetFocusCaptionColorTo)
    Q_PROPERTY(int FocusCaptionFontColor READ FocusCaptionFontColor WRITE SetFocusCaptionFontColor)
    Q_PROPERTY(int NoFocusCaptionColor READ NoFocusCaptionColor WRITE SetNoFocusCaptionColor)
    Q_PROPERTY(int NoFocusCaptionColorTo READ NoFocusCaptionColorTo WRITE SetNoFocusCaptionColorTo)
    Q_PROPERTY(
        int NoFocusCaptionFontColor READ NoFocusCaptionFontColor WRITE SetNoFocusCaptionFontColor)
    Q_PROPERTY(int HoverButtonColor READ HoverButtonColor WRITE SetHoverButtonColor)
    Q_PROPERTY(int HoverButtonColorTo READ HoverButtonColorTo WRITE SetHoverButtonColorTo)
    Q_PROPERTY(int DownButtonColor READ DownButtonColor WRITE SetDownButtonColor)
    Q_PROPERTY(int DownButtonColorTo READ DownButtonColorTo WRITE SetDownButtonColorTo)
    Q_PROPERTY(bool Button3D READ Button3D WRITE SetButton3D)
    Q_PROPERTY(bool ShowCaption READ ShowCaption WRITE SetShowCaption)
    Q_PROPERTY(bool ShowClose READ ShowClose WRITE SetShowClose)
    Q_PROPERTY(bool ShowLock READ ShowLock WRITE SetShowLock)
    Q_PROPERTY(bool ShowCaptionBorder READ ShowCaptionBorder WRITE SetShowCaptionBorder)
    Q_PROPERTY(bool CaptionButton READ CaptionButton WRITE SetCaptionButton)
    Q_PROPERTY(bool DockDots READ DockDots WRITE SetDockDots)
    Q_PROPERTY(bool AllowDocking READ AllowDocking WRITE SetAllowDocking)
    Q_PROPERTY(bool AutoLock READ AutoLock WRITE SetAutoLock)
    Q_PROPERTY(bool CanSize READ CanSize WRITE SetCanSize)
    Q_PROPERTY(int OpenWidth READ OpenWidth WRITE SetOpenWidth)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)
    Q_PROPERTY(QString CloseHint READ CloseHint WRITE SetCloseHint)
    Q_PROPERTY(QString LockHint READ LockHint WRITE SetLockHint)
    Q_PROPERTY(QString UnlockHint READ UnlockHint WRITE SetUnlockHint)
    Q_PROPERTY(vx::tp::TTPBackGroundPosition BackGroundPosition READ BackGroundPosition WRITE
                   SetBackGroundPosition)
    Q_PROPERTY(bool BackgroundTransparent READ BackgroundTransparent WRITE SetBackgroundTransparent)
    Q_PROPERTY(vx::TSectionLayout* SectionLayout READ SectionLayout)
    Q_PROPERTY(vx::tp::TToolPanelStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)

  public:
    explicit TToolPanel(QWidget* parent = nullptr);
    ~TToolPanel() override;

    QString Caption() const { return TPanel::Caption(); }
    void SetCaption(const QString& value);
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor value);
    tp::TGradientDirection GradientDirection() const { return FGradientDirection; }
    void SetGradientDirection(tp::TGradientDirection value);
    tp::TGradientDirection CaptionGradientDirection() const { return FCaptionGradientDirection; }
    void SetCaptionGradientDirection(tp::TGradientDirection value);
    TColor FocusCaptionColor() const { return FFocusCaptionColor; }
    void SetFocusCaptionColor(TColor value);
    TColor FocusCaptionColorTo() const { return FFocusCaptionColorTo; }
    void SetFocusCaptionColorTo(TColor value);
    TColor FocusCaptionFontColor() const { return FFocusCaptionFontColor; }
    void SetFocusCaptionFontColor(TColor value);
    TColor NoFocusCaptionColor() const { return FNoFocusCaptionColor; }
    void SetNoFocusCaptionColor(TColor value);
    TColor NoFocusCaptionColorTo() const { return FNoFocusCaptionColorTo; }
    void SetNoFocusCaptionColorTo(TColor value);
    TColor NoFocusCaptionFontColor() const { return FNoFocusCaptionFontColor; }
    void SetNoFocusCaptionFontColor(TColor value);
    TColor HoverButtonColor() const { return FHoverButtonColor; }
    void SetHoverButtonColor(TColor value) { FHoverButtonColor = value; }
    TColor HoverButtonColorTo() const { return FHoverButtonColorTo; }
    void SetHoverButtonColorTo(TColor value) { FHoverButtonColorTo = value; }
    TColor DownButtonColor() const { return FDownButtonColor; }
    void SetDownButtonColor(TColor value) { FDownButtonColor = value; }
    TColor DownButtonColorTo() const { return FDownButtonColorTo; }
    void SetDownButtonColorTo(TColor value) { FDownButtonColorTo = value; }
    bool Button3D() const { return FButton3D; }
    void SetButton3D(bool value) { FButton3D = value; }
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool value);
    bool ShowClose() const { return FShowClose; }
    void SetShowClose(bool value);
    bool ShowLock() const { return FShowLock; }
    void SetShowLock(bool value);
    bool ShowCaptionBorder() const { return FShowCaptionBorder; }
    void SetShowCaptionBorder(bool value);
    bool CaptionButton() const { return FCaptionButton; }
    void SetCaptionButton(bool value);
    bool DockDots() const { return FDockDots; }
    void SetDockDots(bool value);
    bool AllowDocking() const { return FAllowDocking; }
    void SetAllowDocking(bool value) { FAllowDocking = value; }
    bool AutoLock() const { return FAutoLock; }
    void SetAutoLock(bool value) { FAutoLock = value; }
    bool CanSize() const { return FCanSize; }
    void SetCanSize(bool value) { FCanSize = value; }
    int OpenWidth() const { return FOpenWidth; }
    void SetOpenWidth(int value) { FOpenWidth = value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    QString CloseHint() const { return FCloseHint; }
    void SetCloseHint(const QString& value) { FCloseHint = value; }
    QString LockHint() const { return FLockHint; }
    void SetLockHint(const QString& value) { FLockHint = value; }
    QString UnlockHint() const { return FUnlockHint; }
    void SetUnlockHint(const QString& value) { FUnlockHint = value; }
    TBitmap& Background() const { return *FBackground; }
    void SetBackground(const TBitmap& value);
    tp::TTPBackGroundPosition BackGroundPosition() const { return FBackGroundPosition; }
    void SetBackGroundPosition(tp::TTPBackGroundPosition value);
    bool BackgroundTransparent() const { return FBackgroundTransparent; }
    void SetBackgroundTransparent(bool value);
    TSectionLayout* SectionLayout() const { return FSectionLayout.get(); }
    tp::TToolPanelStyle Style() const { return FStyle; }
    void SetStyle(tp::TToolPanelStyle value);
    QString Version() const;
    void SetVersion(const QString&) {}

    int SectionCount() const { return static_cast<int>(FSections.size()); }
    TToolPanelSection& Section(int index) const { return *FSections.at(index); }
    TToolPanelSection& AddSection(const QString& caption);
    // Toggles a node section's expanded state (as a press on its box does).
    void SetSectionExpanded(int index, bool expanded);

    // The three bitmaps of the program's resources.
    TBitmap& CloseGlyph() const { return *FCloseGlyph; }
    TBitmap& LockGlyph() const { return *FLockGlyph; }
    TBitmap& UnlockGlyph() const { return *FUnlockGlyph; }

    bool PanelFocused() const { return FFocused; }
    bool Pressed() const { return FPressed; }
    bool Locked() const { return FLocked; }
    int HoveredSection() const { return FHoverSection; }
    int HoveredItem() const { return FHoverItem; }
    // The hint for a point: close button, lock pin or section item; empty elsewhere.
    QString HintAt(int x, int y) const;
    // The rectangle of an item in panel coordinates (empty when it is not shown).
    QRect ItemRect(int section, int item) const;

    QRect AlignRect() const override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseLeave() override;
    void DoEnter() override;
    void DoExit() override;

    TNotifyEvent OnCaptionBtnClick;
    TItemClickEvent OnItemClick;
    TSectionEvent OnNodeExpand;
    TSectionEvent OnNodeCollapse;

  protected:
    void Paint() override;

  private:
    friend class TToolPanelSection;

    struct TSectionGeometry {
        int Top = 0;
        int Bottom = 0;
        QRect NodeBox;
        std::vector<QRect> Items;
    };

    void SectionsChanged();
    void ApplyAutosize();
    int SectionCaptionHeight() const;
    int SectionsTop() const;
    std::vector<TSectionGeometry> Geometry() const;
    QRect ButtonStrip() const;
    bool MouseIn(const TEdgeRect& area) const;
    void TrackHoveredItem(int x, int y);

    TEdgeRect BodyRect() const;
    void PaintBody(TCanvas& canvas);
    void PaintBackground(TCanvas& canvas);
    void PaintSections(TCanvas& canvas);
    void PaintSection(TCanvas& canvas, const TToolPanelSection& section,
                      const TSectionGeometry& geometry, int index);
    void PaintCaptionBar(TCanvas& canvas);
    void PaintButtonHighlight(TCanvas& canvas, const TEdgeRect& area);
    void PaintCloseButton(TCanvas& canvas, TEdgeRect& c, TColor textColor);
    void PaintLockPin(TCanvas& canvas, TEdgeRect& c, TColor textColor);
    void PaintCaptionText(TCanvas& canvas, int left, TColor textColor);

    TColor FColorTo = 13007698;
    tp::TGradientDirection FGradientDirection = tp::gdVertical;
    tp::TGradientDirection FCaptionGradientDirection = tp::gdVertical;
    TColor FFocusCaptionColor = 9758459;
    TColor FFocusCaptionColorTo = 1414638;
    TColor FFocusCaptionFontColor = clBlack;
    TColor FNoFocusCaptionColor = 14059353;
    TColor FNoFocusCaptionColorTo = 9648131;
    TColor FNoFocusCaptionFontColor = clWhite;
    TColor FHoverButtonColor = 14483455;
    TColor FHoverButtonColorTo = 6013175;
    TColor FDownButtonColor = 557032;
    TColor FDownButtonColorTo = 8182519;
    bool FButton3D = true;
    bool FShowCaption = true;
    bool FShowClose = true;
    bool FShowLock = true;
    bool FShowCaptionBorder = true;
    bool FCaptionButton = false;
    bool FDockDots = true;
    bool FAllowDocking = true;
    bool FAutoLock = false;
    bool FCanSize = true;
    int FOpenWidth = 150;
    int FImageIndex = -1;
    QString FCloseHint = QStringLiteral("Close panel");
    QString FLockHint = QStringLiteral("Lock panel");
    QString FUnlockHint = QStringLiteral("Unlock panel");
    std::unique_ptr<TBitmap> FBackground;
    tp::TTPBackGroundPosition FBackGroundPosition = tp::bpTopLeft;
    bool FBackgroundTransparent = false;
    std::unique_ptr<TSectionLayout> FSectionLayout;
    tp::TToolPanelStyle FStyle = tp::esOffice2003Blue;
    std::vector<std::unique_ptr<TToolPanelSection>> FSections;

    bool FLocked = false;
    std::unique_ptr<TBitmap> FCloseGlyph;
    std::unique_ptr<TBitmap> FLockGlyph;
    std::unique_ptr<TBitmap> FUnlockGlyph;
    bool FFocused = false;
    bool FPressed = false;
    int FHoverSection = -1;
    int FHoverItem = -1;
    QRect FHoverItemRect;
    QPoint FMousePos{-1, -1};
    bool FMouseInside = false;
};

// Makes the tool panel known to layouts (class and events).
void RegisterToolPanels();

}  // namespace vx
