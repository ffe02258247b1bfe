#include "ToolPanels.h"

#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <array>

#include "Colors.h"
#include "Layout.h"

// The bitmaps live in this static library's resources, which a program must pull in once.
static void InitToolPanelResources() {
    Q_INIT_RESOURCE(toolpanel);
}

namespace vx {

namespace {

constexpr int kCaptionBarHeight = 23;
constexpr int kBodyGradientSteps = 128;
constexpr int kCaptionGradientSteps = 16;
constexpr int kButtonGradientSteps = 16;
constexpr int kSectionCaptionSteps = 48;
constexpr int kSectionBodySteps = 128;
constexpr int kNodeBoxSteps = 16;
constexpr int kSectionCaptionHeight = 16;
constexpr int kSectionCornerSize = 16;
constexpr int kDockDotsWidth = 7;
constexpr int kButtonStripWidth = 42;
constexpr int kButtonStripHeight = 21;
constexpr const char* kVersion = "1.4.1.0";

struct TStyleColors {
    tp::TToolPanelStyle Style;
    TColor Color, ColorTo;
    TColor FocusCaption, FocusCaptionTo, FocusCaptionFont;
    TColor NoFocusCaption, NoFocusCaptionTo, NoFocusCaptionFont;
    TColor HoverButton, HoverButtonTo;
    TColor DownButton, DownButtonTo;
    TColor SectionCaption, SectionCaptionTo, SectionCaptionFont;
    TColor SectionBack, SectionBackTo;
    TColor ItemFont;
    TColor SectionBorder;
};

constexpr std::array<TStyleColors, 9> kStyles = {{
    {tp::esOffice2003Blue,
     16771030,
     13007698,
     9758459,
     1414638,
     clBlack,
     14059353,
     9648131,
     clWhite,
     14483455,
     6013175,
     557032,
     8182519,
     16244422,
     14060643,
     8661248,
     16248798,
     16242365,
     11876608,
     clWhite},
    {tp::esOffice2003Silver,
     16246759,
     11904421,
     9758459,
     1414638,
     clBlack,
     15722471,
     11176072,
     clBlack,
     14483455,
     6013175,
     557032,
     8182519,
     14600910,
     12430765,
     8084058,
     15722471,
     15193814,
     11876608,
     clWhite},
    {tp::esOffice2003Olive,
     14610415,
     8695205,
     9758459,
     1414638,
     clBlack,
     13037543,
     9747893,
     clBlack,
     14483455,
     6013175,
     557032,
     8182519,
     11394770,
     8107429,
     8661248,
     13559783,
     11919062,
     11876608,
     clWhite},
    {tp::esOffice2003Classic,
     15198191,
     13029070,
     14671839,
     11511715,
     clBlack,
     15724527,
     12634569,
     clBlack,
     13811126,
     13811126,
     11899525,
     11899525,
     15198183,
     14606046,
     clBlack,
     16250871,
     15527920,
     clBlue,
     clWhite},
    {tp::esOffice2007Luna,
     16774371,
     15587784,
     12316415,
     7920383,
     7485192,
     16773091,
     16765615,
     7485192,
     14483455,
     6013175,
     557032,
     8182519,
     16635575,
     13146742,
     clBlack,
     16248798,
     16242365,
     11876608,
     16765615},
    {tp::esOffice2007Obsidian,
     15855846,
     13024437,
     12316415,
     7920383,
     clBlack,
     15921648,
     13222589,
     4406327,
     14483455,
     6013175,
     557032,
     8182519,
     12105910,
     7237229,
     clWhite,
     15132383,
     14144974,
     11876608,
     6050636},
    {tp::esWindowsXP,
     clBtnFace,
     clBtnFace,
     clHighlight,
     clHighlight,
     clWhite,
     clInactiveCaption,
     clInactiveCaption,
     clWhite,
     clHighlight,
     clNone,
     clInactiveCaption,
     clNone,
     clWhite,
     cl3DLight,
     clBlack,
     clBtnFace,
     clBtnFace,
     clBlack,
     clWhite},
    {tp::esWhidbey, 15462127, 8296600,  9758459,  1414638, clBlack, 15462127,
     8296600,       clBlack,  16120314, 11059392, 557032,  8182519, 15462127,
     11059392,      clBlack,  clWhite,  clNone,   clBlack, clWhite},
    {tp::esOffice2007Silver,
     14605790,
     16249843,
     12316415,
     7920383,
     7485192,
     16316406,
     15261915,
     clBlack,
     14483455,
     6013175,
     557032,
     8182519,
     16445163,
     15064023,
     clBlack,
     15195349,
     16513776,
     11876608,
     13421257},
}};

bool IsOffice2003(tp::TToolPanelStyle style) {
    return style == tp::esOffice2003Blue || style == tp::esOffice2003Silver ||
           style == tp::esOffice2003Olive || style == tp::esOffice2003Classic;
}

std::unique_ptr<TBitmap> LoadGlyph(const char* name) {
    auto bitmap = std::make_unique<TBitmap>();
    const QImage image(QStringLiteral(":/toolpanel/%1.xbm").arg(QLatin1String(name)));
    bitmap->SetImage(image.convertToFormat(QImage::Format_Mono), pf1bit);
    return bitmap;
}

}  // namespace

// ---- TToolPanelSection

void TToolPanelSection::SetCaption(const QString& value) {
    FCaption = value;
    FPanel.SectionsChanged();
}

void TToolPanelSection::SetHeight(int value) {
    FHeight = value;
    FExpandedHeight = value;
    FPanel.SectionsChanged();
}

void TToolPanelSection::SetAutosize(bool value) {
    FAutosize = value;
    FPanel.SectionsChanged();
}

void TToolPanelSection::SetDraw(bool value) {
    FDraw = value;
    FPanel.SectionsChanged();
}

void TToolPanelSection::SetNode(bool value) {
    FNode = value;
    FPanel.SectionsChanged();
}

void TToolPanelSection::SetCaptionImageIndex(int value) {
    FCaptionImageIndex = value;
    FPanel.SectionsChanged();
}

TSectionItem& TToolPanelSection::AddItem(const QString& caption) {
    FItems.push_back(TSectionItem{});
    FItems.back().Caption = caption;
    FPanel.SectionsChanged();
    return FItems.back();
}

void TToolPanelSection::SetItem(int index, const TSectionItem& item) {
    FItems.at(static_cast<size_t>(index)) = item;
    FPanel.SectionsChanged();
}

// ---- TToolPanel: life and properties

TToolPanel::TToolPanel(QWidget* parent)
    : TPanel(parent),
      FBackground(std::make_unique<TBitmap>()),
      FSectionLayout(std::make_unique<TSectionLayout>()) {
    static const bool resources = (InitToolPanelResources(), true);
    (void)resources;
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetBounds(Left(), Top(), 180, 300);
    SetTabStop(true);
    FCloseGlyph = LoadGlyph("TP_CLOSEBTN");
    FLockGlyph = LoadGlyph("TP_LOCKPIN");
    FUnlockGlyph = LoadGlyph("TP_UNLOCKPIN");
    connect(FSectionLayout.get(), &TSectionLayout::Changed, this, [this] { SectionsChanged(); });
    SetStyle(tp::esOffice2003Blue);
}

TToolPanel::~TToolPanel() = default;

QString TToolPanel::Version() const {
    return QString::fromLatin1(kVersion);
}

void TToolPanel::SetCaption(const QString& value) {
    TPanel::SetCaption(value);
    if (QWidget* parent = parentWidget()) {
        parent->update();
    }
    // One pixel wider and back again, so that the panel and its children are laid out anew.
    SetWidth(Width() + 1);
    SetWidth(Width() - 1);
}

void TToolPanel::SetImageIndex(int value) {
    FImageIndex = value;
    if (QWidget* parent = parentWidget()) {
        parent->update();
    }
    SetWidth(Width() + 1);
    SetWidth(Width() - 1);
}

void TToolPanel::SetColorTo(TColor value) {
    FColorTo = value;
    update();
}

void TToolPanel::SetGradientDirection(tp::TGradientDirection value) {
    FGradientDirection = value;
    update();
}

void TToolPanel::SetCaptionGradientDirection(tp::TGradientDirection value) {
    FCaptionGradientDirection = value;
    update();
}

void TToolPanel::SetFocusCaptionColor(TColor value) {
    FFocusCaptionColor = value;
    update();
}

void TToolPanel::SetFocusCaptionColorTo(TColor value) {
    FFocusCaptionColorTo = value;
    update();
}

void TToolPanel::SetFocusCaptionFontColor(TColor value) {
    FFocusCaptionFontColor = value;
    update();
}

void TToolPanel::SetNoFocusCaptionColor(TColor value) {
    FNoFocusCaptionColor = value;
    update();
}

void TToolPanel::SetNoFocusCaptionColorTo(TColor value) {
    FNoFocusCaptionColorTo = value;
    update();
}

void TToolPanel::SetNoFocusCaptionFontColor(TColor value) {
    FNoFocusCaptionFontColor = value;
    update();
}

void TToolPanel::SetShowCaption(bool value) {
    FShowCaption = value;
    Realign();
    update();
}

void TToolPanel::SetShowClose(bool value) {
    FShowClose = value;
    update();
}

void TToolPanel::SetShowLock(bool value) {
    FShowLock = value;
    update();
}

void TToolPanel::SetShowCaptionBorder(bool value) {
    FShowCaptionBorder = value;
    update();
}

void TToolPanel::SetCaptionButton(bool value) {
    FCaptionButton = value;
    update();
}

void TToolPanel::SetDockDots(bool value) {
    FDockDots = value;
    update();
}

void TToolPanel::SetBackground(const TBitmap& value) {
    FBackground->Assign(value);
    update();
}

void TToolPanel::SetBackGroundPosition(tp::TTPBackGroundPosition value) {
    FBackGroundPosition = value;
    update();
}

void TToolPanel::SetBackgroundTransparent(bool value) {
    if (value != FBackgroundTransparent) {
        FBackgroundTransparent = value;
        update();
    }
}

void TToolPanel::SetStyle(tp::TToolPanelStyle value) {
    FStyle = value;
    const auto it = std::find_if(kStyles.begin(), kStyles.end(),
                                 [value](const TStyleColors& s) { return s.Style == value; });
    if (it == kStyles.end()) {
        return;
    }
    const TStyleColors& s = *it;
    TSectionLayout& layout = *FSectionLayout;
    {
        const QSignalBlocker block(&layout);
        layout.SetCaptionColor(s.SectionCaption);
        layout.SetCaptionColorTo(s.SectionCaptionTo);
        layout.SetCaptionFontColor(s.SectionCaptionFont);
        layout.SetCaptionGradientDir(IsOffice2003(value) ? tp::gdHorizontal : tp::gdVertical);
        layout.SetBackGroundColor(s.SectionBack);
        layout.SetBackGroundColorTo(s.SectionBackTo);
        layout.SetBackGroundGradientDir(tp::gdVertical);
        layout.SetItemFontColor(s.ItemFont);
        layout.SetItemHoverTextColor(s.ItemFont);
        layout.SetItemHoverUnderline(true);
        layout.SetBorderWidth(1);
        layout.SetBorderColor(s.SectionBorder);
    }
    FNoFocusCaptionColor = s.NoFocusCaption;
    FNoFocusCaptionColorTo = s.NoFocusCaptionTo;
    FNoFocusCaptionFontColor = s.NoFocusCaptionFont;
    FHoverButtonColor = s.HoverButton;
    FHoverButtonColorTo = s.HoverButtonTo;
    FDownButtonColor = s.DownButton;
    FDownButtonColorTo = s.DownButtonTo;
    SetColor(s.Color);
    FColorTo = s.ColorTo;
    FGradientDirection = tp::gdVertical;
    FCaptionGradientDirection = tp::gdVertical;
    FFocusCaptionColor = s.FocusCaption;
    FFocusCaptionColorTo = s.FocusCaptionTo;
    FFocusCaptionFontColor = s.FocusCaptionFont;
    FShowCaptionBorder = false;
    FButton3D = false;
    SectionsChanged();
}

// ---- Sections

TToolPanelSection& TToolPanel::AddSection(const QString& caption) {
    FSections.push_back(std::make_unique<TToolPanelSection>(*this));
    FSections.back()->FCaption = caption;
    SectionsChanged();
    return *FSections.back();
}

void TToolPanel::SectionsChanged() {
    ApplyAutosize();
    update();
}

// A section with Autosize takes the height of its caption strip, its items and its spacing.
void TToolPanel::ApplyAutosize() {
    const int hc = SectionCaptionHeight();
    const int row = QFontMetrics(Font()->ToQFont()).height();
    for (const auto& section : FSections) {
        if (section->FAutosize && section->FExpanded) {
            section->FHeight = hc + 1 + static_cast<int>(section->FItems.size()) * row +
                               FSectionLayout->Spacing() + 2;
            section->FExpandedHeight = section->FHeight;
        }
    }
}

int TToolPanel::SectionCaptionHeight() const {
    return kSectionCaptionHeight;
}

int TToolPanel::SectionsTop() const {
    return FShowCaption ? kCaptionBarHeight : 1;
}

std::vector<TToolPanel::TSectionGeometry> TToolPanel::Geometry() const {
    std::vector<TSectionGeometry> result;
    const int hc = SectionCaptionHeight();
    const int row = QFontMetrics(Font()->ToQFont()).height();
    const int indent = FSectionLayout->Indent();
    int y = SectionsTop();
    for (const auto& section : FSections) {
        TSectionGeometry g;
        g.Top = y;
        g.Bottom = y + section->FHeight;
        if (section->FNode) {
            g.NodeBox = QRect(indent + 4, y + (hc - 8) / 2, 9, 9);
        }
        if (section->FExpanded) {
            const int bodyBottom = g.Bottom - FSectionLayout->Spacing();
            int itemTop = y + hc + 3;
            for (size_t i = 0; i < section->FItems.size(); ++i) {
                if (itemTop + row > bodyBottom) {
                    g.Items.push_back(QRect());
                    continue;
                }
                g.Items.push_back(QRect(indent + 8, itemTop, Width() - 2 - indent - 12, row));
                itemTop += row;
            }
        } else {
            g.Items.resize(section->FItems.size());
        }
        result.push_back(std::move(g));
        y = result.back().Bottom;
    }
    return result;
}

QRect TToolPanel::ItemRect(int section, int item) const {
    const auto geometry = Geometry();
    if (section < 0 || section >= static_cast<int>(geometry.size())) {
        return {};
    }
    const auto& items = geometry[static_cast<size_t>(section)].Items;
    return item >= 0 && item < static_cast<int>(items.size()) ? items[static_cast<size_t>(item)]
                                                              : QRect();
}

void TToolPanel::SetSectionExpanded(int index, bool expanded) {
    TToolPanelSection& section = *FSections.at(static_cast<size_t>(index));
    if (section.FExpanded == expanded) {
        return;
    }
    const auto geometry = Geometry();
    const int top = geometry[static_cast<size_t>(index)].Top;
    const int oldBottom = geometry[static_cast<size_t>(index)].Bottom;
    std::vector<TControl*> children;
    for (QObject* child : this->children()) {
        if (auto* control = qobject_cast<TControl*>(child)) {
            children.push_back(control);
        }
    }
    int difference = 0;
    if (!expanded) {
        section.FExpandedHeight = section.FHeight;
        section.FHeight = SectionCaptionHeight() + FSectionLayout->Spacing();
        difference = section.FHeight - section.FExpandedHeight;
        section.FHiddenChildren.clear();
        for (TControl* control : children) {
            if (control->Visible() && control->Top() >= top && control->Top() < oldBottom) {
                section.FHiddenChildren.emplace_back(control);
                control->SetVisible(false);
            }
        }
    } else {
        difference = section.FExpandedHeight - section.FHeight;
        section.FHeight = section.FExpandedHeight;
        for (const QPointer<TControl>& control : section.FHiddenChildren) {
            if (control) {
                control->SetVisible(true);
            }
        }
        section.FHiddenChildren.clear();
    }
    section.FExpanded = expanded;
    for (TControl* control : children) {
        if (control->Top() >= oldBottom) {
            control->SetTop(control->Top() + difference);
        }
    }
    const QPointer<TToolPanel> self(this);
    if (expanded && OnNodeExpand) {
        OnNodeExpand(this, index);
    } else if (!expanded && OnNodeCollapse) {
        OnNodeCollapse(this, index);
    }
    if (self) {
        update();
    }
}

// ---- Alignment, focus, hints

QRect TToolPanel::AlignRect() const {
    QRect r = TPanel::AlignRect();
    if (FShowCaption) {
        r.setTop(std::max(r.top(), kCaptionBarHeight));
    }
    return r;
}

void TToolPanel::DoEnter() {
    FFocused = true;
    update();
    TPanel::DoEnter();
}

void TToolPanel::DoExit() {
    FFocused = false;
    update();
    TPanel::DoExit();
}

QString TToolPanel::HintAt(int x, int y) const {
    const int right = ClientWidth();
    const auto inRows = [&](int left, int rightEdge) {
        return x >= left && x < rightEdge && y >= 2 && y < 21;
    };
    if (FShowClose && inRows(right - 21, right - 5)) {
        return FCloseHint;
    }
    const int lockLeft = FShowClose ? right - 42 : right - 21;
    const int lockRight = FShowClose ? right - 23 : right - 5;
    if (FShowLock && inRows(lockLeft, lockRight)) {
        return FLocked ? FUnlockHint : FLockHint;
    }
    const auto geometry = Geometry();
    for (size_t s = 0; s < geometry.size(); ++s) {
        for (size_t i = 0; i < geometry[s].Items.size(); ++i) {
            if (geometry[s].Items[i].contains(x, y)) {
                return FSections[s]->FItems[i].Caption;
            }
        }
    }
    return {};
}

// ---- Mouse

QRect TToolPanel::ButtonStrip() const {
    return FCaptionButton
               ? QRect(0, 0, Width(), kButtonStripHeight)
               : QRect(Width() - kButtonStripWidth, 0, kButtonStripWidth, kButtonStripHeight);
}

bool TToolPanel::MouseIn(const TEdgeRect& area) const {
    return FMouseInside && area.Contains(FMousePos.x(), FMousePos.y());
}

// The item under the pointer, with its look, cursor and hint; run by moves and presses, so that
// a press on an item the pointer rests over (one that appeared under it) still counts.
void TToolPanel::TrackHoveredItem(int x, int y) {
    int section = -1;
    int item = -1;
    QRect rect;
    const auto geometry = Geometry();
    for (size_t s = 0; s < geometry.size() && section < 0; ++s) {
        for (size_t i = 0; i < geometry[s].Items.size(); ++i) {
            const TSectionItem& candidate = FSections[s]->FItems[i];
            if (geometry[s].Items[i].contains(x, y) && candidate.Enabled &&
                candidate.Caption != QLatin1String("-")) {
                section = static_cast<int>(s);
                item = static_cast<int>(i);
                rect = geometry[s].Items[i];
                break;
            }
        }
    }
    if (section != FHoverSection || item != FHoverItem) {
        update(FHoverItemRect);
        update(rect);
        QToolTip::hideText();
        FHoverSection = section;
        FHoverItem = item;
        FHoverItemRect = rect;
        if (item >= 0 && FSectionLayout->ItemHoverUnderline()) {
            setCursor(Qt::PointingHandCursor);
        } else if (item < 0) {
            SetCursor(Cursor());
        }
    }
    if (ShowHint()) {
        setToolTip(HintAt(x, y));
    }
}

void TToolPanel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const QPointer<TToolPanel> self(this);
    FPressed = true;
    FMousePos = QPoint(x, y);
    FMouseInside = true;
    TrackHoveredItem(x, y);
    if (CanFocus()) {
        SetFocus();
    }
    if (ButtonStrip().contains(x, y)) {
        update(ButtonStrip());
    }
    TPanel::MouseDown(button, shift, x, y);
    if (!self) {
        return;
    }
    const auto geometry = Geometry();
    for (size_t s = 0; s < geometry.size(); ++s) {
        if (FSections[s]->FNode && geometry[s].NodeBox.contains(x, y)) {
            SetSectionExpanded(static_cast<int>(s), !FSections[s]->FExpanded);
            return;
        }
    }
}

void TToolPanel::MouseMove(TShiftState shift, int x, int y) {
    // Leaving the strip repaints it as well, so that no button stays highlighted.
    const bool wasInStrip = FMouseInside && ButtonStrip().contains(FMousePos);
    FMousePos = QPoint(x, y);
    FMouseInside = true;
    if (wasInStrip || ButtonStrip().contains(x, y)) {
        update(ButtonStrip());
    }
    TrackHoveredItem(x, y);
    TPanel::MouseMove(shift, x, y);
}

void TToolPanel::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const QPointer<TToolPanel> self(this);
    TPanel::MouseUp(button, shift, x, y);
    if (self && FPressed && FHoverItem >= 0 && OnItemClick) {
        OnItemClick(this, FHoverSection, FHoverItem);
    }
}

void TToolPanel::MouseLeave() {
    FPressed = false;
    FMouseInside = false;
    update(ButtonStrip());
    if (FHoverItem >= 0) {
        update(FHoverItemRect);
        FHoverSection = -1;
        FHoverItem = -1;
        FHoverItemRect = QRect();
        SetCursor(Cursor());
    }
    TPanel::MouseLeave();
}

// ---- Painting

void TToolPanel::Paint() {
    TCanvas& canvas = Canvas();
    QPainter& p = canvas.Painter();
    // The platform panel's fill only shows where the body gradient does not paint over it;
    // leaving the body's rectangle out of it saves filling the whole panel twice.
    p.save();
    if (FColorTo != clNone) {
        p.setClipRegion(QRegion(ClientRect()).subtracted(BodyRect().ToQRect()));
    }
    TPanel::Paint();
    p.restore();
    PaintBody(canvas);
    PaintBackground(canvas);
    PaintSections(canvas);
    if (FShowCaption) {
        PaintCaptionBar(canvas);
    }
}

// The body's rectangle with its far edge already moved in: the bands always cover it.
TEdgeRect TToolPanel::BodyRect() const {
    const TEdgeRect r = TEdgeRect::Of(ClientRect());
    TEdgeRect body{r.Left + 1, r.Top, r.Right - 2, r.Bottom - 2};
    if (FGradientDirection == tp::gdHorizontal) {
        --body.Right;
    } else {
        --body.Bottom;
    }
    return body;
}

void TToolPanel::PaintBody(TCanvas& canvas) {
    const TEdgeRect r = TEdgeRect::Of(ClientRect());
    if (FColorTo == clNone) {
        canvas.Pen.Color = Color();
        canvas.Brush.Color = Color();
        canvas.Brush.Style = bsSolid;
        canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
        return;
    }
    DrawToolPanelGradient(canvas, Color(), FColorTo, kBodyGradientSteps,
                          {r.Left + 1, r.Top, r.Right - 2, r.Bottom - 2},
                          FGradientDirection == tp::gdHorizontal);
}

void TToolPanel::PaintBackground(TCanvas& canvas) {
    if (FBackground->Empty()) {
        return;
    }
    constexpr int L = 1;
    constexpr int T = kCaptionBarHeight;
    const int w = FBackground->Width();
    const int h = FBackground->Height();
    const int R = ClientWidth();
    const int rightX = std::max(L, R - L - w - BevelWidth());
    const int bottomY = std::max(T, Height() - h - BevelWidth() - 1);
    const bool transparent = FBackground->Transparent();
    FBackground->SetTransparent(FBackgroundTransparent);
    switch (FBackGroundPosition) {
        case tp::bpTopLeft:
            canvas.Draw(L, T, *FBackground);
            break;
        case tp::bpTopRight:
            canvas.Draw(rightX, T, *FBackground);
            break;
        case tp::bpBottomLeft:
            canvas.Draw(L, bottomY, *FBackground);
            break;
        case tp::bpBottomRight:
            canvas.Draw(rightX, bottomY, *FBackground);
            break;
        case tp::bpTiled:
            for (int y = T; y < Height(); y += h) {
                for (int x = L; x < Width(); x += w) {
                    canvas.Draw(x, y, *FBackground);
                }
            }
            break;
        case tp::bpStretched:
            canvas.StretchDraw(QRect(L, T, Width() - L, Height() - T), *FBackground);
            break;
        case tp::bpCenter:
            canvas.Draw(rightX / 2, std::max(T, Height() - h - BevelWidth()) / 2, *FBackground);
            break;
    }
    FBackground->SetTransparent(transparent);
}

void TToolPanel::PaintSections(TCanvas& canvas) {
    const auto geometry = Geometry();
    for (size_t s = 0; s < geometry.size(); ++s) {
        if (FSections[s]->FDraw) {
            PaintSection(canvas, *FSections[s], geometry[s], static_cast<int>(s));
        }
    }
}

void TToolPanel::PaintSection(TCanvas& canvas, const TToolPanelSection& section,
                              const TSectionGeometry& g, int index) {
    const TSectionLayout& layout = *FSectionLayout;
    const int hc = SectionCaptionHeight();
    const int left = layout.Indent() + 1;
    const int right = Width() - 2;
    QPainter& p = canvas.Painter();

    const TEdgeRect strip{left, g.Top, right, g.Top + hc + 1};
    p.save();
    if (layout.Corners() != tp::scRectangle) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(strip.ToQRect()), kSectionCornerSize / 2.0,
                             kSectionCornerSize / 2.0);
        QPainterPath square;
        const qreal half = strip.Width() / 2.0;
        if (layout.Corners() == tp::scRoundLeft) {
            square.addRect(QRectF(strip.Left + half, strip.Top, half, strip.Height()));
        } else if (layout.Corners() == tp::scRoundRight) {
            square.addRect(QRectF(strip.Left, strip.Top, half, strip.Height()));
        }
        p.setClipPath(shape.united(square));
    }
    DrawToolPanelGradient(canvas, layout.CaptionColor(), layout.CaptionColorTo(),
                          kSectionCaptionSteps, strip,
                          layout.CaptionGradientDir() == tp::gdHorizontal);
    p.restore();
    if (layout.UnderLineCaption()) {
        canvas.Pen.Color = layout.BorderColor();
        canvas.Pen.Width = layout.BorderWidth();
        canvas.MoveTo(left, strip.Bottom);
        canvas.LineTo(right, strip.Bottom);
        canvas.Pen.Width = 1;
    }
    int textLeft = layout.Indent() + 6;
    if (section.FNode) {
        const QRect box = g.NodeBox;
        DrawToolPanelGradient(canvas, layout.BackGroundColor(), layout.BackGroundColorTo(),
                              kNodeBoxSteps, TEdgeRect::Of(box), true);
        canvas.Pen.Color = clGray;
        canvas.Brush.Style = bsClear;
        canvas.RoundRect(box.left(), box.top(), box.right() + 1, box.bottom() + 1, 3, 3);
        canvas.Brush.Style = bsSolid;
        canvas.Pen.Color = clBlack;
        const int cx = box.left() + 4;
        const int cy = box.top() + 4;
        canvas.MoveTo(cx - 2, cy);
        canvas.LineTo(cx + 3, cy);
        if (!section.FExpanded) {
            canvas.MoveTo(cx, cy - 2);
            canvas.LineTo(cx, cy + 3);
        }
        textLeft = box.right() + 5;
    }
    canvas.Font().Assign(*Font());
    canvas.Font().SetColor(layout.CaptionFontColor());
    canvas.Brush.Style = bsClear;
    const int textHeight = canvas.TextHeight(QStringLiteral("gh"));
    QRect captionRect(textLeft, g.Top + (hc - textHeight) / 2, right - textLeft, textHeight);
    canvas.DrawText(section.FCaption, captionRect,
                    DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_VCENTER);

    if (!section.FExpanded) {
        canvas.Brush.Style = bsSolid;
        return;
    }
    const TEdgeRect body{left, g.Top + hc + 1, right, g.Bottom - layout.Spacing()};
    if (body.Height() > 0) {
        if (layout.BackGroundColorTo() == clNone) {
            p.fillRect(body.ToQRect(), ToQColor(layout.BackGroundColor()));
        } else {
            DrawToolPanelGradient(canvas, layout.BackGroundColor(), layout.BackGroundColorTo(),
                                  kSectionBodySteps, body,
                                  layout.BackGroundGradientDir() == tp::gdHorizontal);
        }
        canvas.Pen.Color = layout.BorderColor();
        canvas.Polyline({{body.Right, body.Top},
                         {body.Left, body.Top},
                         {body.Left, body.Bottom - 1},
                         {body.Right, body.Bottom - 1}});
    }
    for (size_t i = 0; i < section.FItems.size(); ++i) {
        QRect r = g.Items[i];
        if (r.isEmpty()) {
            continue;
        }
        const TSectionItem& item = section.FItems[i];
        if (item.Caption == QLatin1String("-")) {
            canvas.Pen.Color = layout.BorderColor();
            canvas.MoveTo(r.left(), r.center().y());
            canvas.LineTo(r.right(), r.center().y());
            continue;
        }
        const bool hovered = index == FHoverSection && static_cast<int>(i) == FHoverItem;
        canvas.Font().Assign(*Font());
        canvas.Font().SetColor(!item.Enabled ? clGray
                               : hovered     ? layout.ItemHoverTextColor()
                                             : layout.ItemFontColor());
        if (hovered && layout.ItemHoverUnderline()) {
            canvas.Font().SetStyle(canvas.Font().Style() | fsUnderline);
        }
        canvas.DrawText(item.Caption, r,
                        DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_VCENTER);
    }
    canvas.Brush.Style = bsSolid;
}

void TToolPanel::PaintButtonHighlight(TCanvas& canvas, const TEdgeRect& area) {
    const bool down = FPressed;
    if (FButton3D) {
        TEdgeRect r = area;
        DrawBevelFrame(canvas, r, down ? clGray : clWhite, down ? clWhite : clGray, 1);
        return;
    }
    const TColor from = down ? FDownButtonColor : FHoverButtonColor;
    const TColor to = down ? FDownButtonColorTo : FHoverButtonColorTo;
    if (from != clNone) {
        DrawToolPanelGradient(canvas, from, to == clNone ? from : to, kButtonGradientSteps, area,
                              FCaptionGradientDirection == tp::gdHorizontal);
    }
    canvas.Pen.Color = clBlack;
    canvas.Brush.Style = bsClear;
    canvas.Rectangle(area.Left, area.Top, area.Right, area.Bottom + 1);
    canvas.Brush.Style = bsSolid;
}

void TToolPanel::PaintCaptionBar(TCanvas& canvas) {
    TEdgeRect c{1, 1, Width() - 2, kCaptionBarHeight - 1};
    const bool horizontal = FCaptionGradientDirection == tp::gdHorizontal;
    const TColor color = FFocused ? FFocusCaptionColor : FNoFocusCaptionColor;
    const TColor colorTo = FFocused ? FFocusCaptionColorTo : FNoFocusCaptionColorTo;
    const TColor textColor = FFocused ? FFocusCaptionFontColor : FNoFocusCaptionFontColor;
    canvas.Pen.Color = color;
    canvas.Brush.Color = color;
    if (colorTo == clNone) {
        canvas.Painter().fillRect(c.ToQRect(), ToQColor(color));
    } else {
        DrawToolPanelGradient(canvas, color, colorTo, kCaptionGradientSteps, c, horizontal);
    }
    if (!FFocused && FShowCaptionBorder) {
        canvas.Pen.Color = clGray;
        canvas.Brush.Style = bsClear;
        canvas.RoundRect(c.Left, c.Top, c.Right, c.Bottom, 3, 3);
        canvas.Brush.Style = bsSolid;
    }
    if (FShowClose) {
        PaintCloseButton(canvas, c, textColor);
    }
    if (FShowLock) {
        PaintLockPin(canvas, c, textColor);
    }
    int left = 0;
    if (FDockDots) {
        QPainter& p = canvas.Painter();
        for (int k = 0; k < 4; ++k) {
            p.fillRect(QRect(5, 5 + 4 * k, 2, 2), Qt::white);
        }
        for (int k = 0; k < 4; ++k) {
            p.fillRect(QRect(4, 4 + 4 * k, 2, 2), Qt::black);
        }
        left = kDockDotsWidth;
    }
    PaintCaptionText(canvas, left, textColor);
}

void TToolPanel::PaintCloseButton(TCanvas& canvas, TEdgeRect& c, TColor textColor) {
    const int gw = FCloseGlyph->Width();
    const int gh = FCloseGlyph->Height();
    TEdgeRect b{c.Right - gw - 4, c.Top + 2, c.Right - 6, c.Top + gh};
    TEdgeRect hover = b;
    hover.Inflate(1, 1);
    if (MouseIn(hover)) {
        PaintButtonHighlight(canvas, hover);
    }
    canvas.Pen.Color = textColor;
    canvas.Pen.Width = 1;
    const int x0 = c.Right - 16;
    const int top = c.Top;
    const auto line = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    line(x0 - 1, top + 11, x0 + 7, top + 4);
    line(x0, top + 11, x0 + 6, top + 4);
    line(x0 - 1, top + 5, x0 + 7, top + 12);
    line(x0, top + 5, x0 + 6, top + 12);
    c.Right -= 21;
}

void TToolPanel::PaintLockPin(TCanvas& canvas, TEdgeRect& c, TColor textColor) {
    const TEdgeRect pin{c.Right - 18, c.Top + 2, c.Right - 1, c.Top + 16};
    TEdgeRect hover = pin;
    hover.Inflate(1, 1);
    if (MouseIn(hover)) {
        PaintButtonHighlight(canvas, hover);
    }
    canvas.Pen.Color = textColor;
    canvas.Pen.Width = 1;
    const auto line = [&](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    const int r = pin.Right;
    const int t = pin.Top;
    if (!FLocked) {
        line(r - 3, t + 4, r - 3, t + 8);
        line(r - 5, t + 4, r - 5, t + 8);
        line(r - 3, t + 4, r - 10, t + 4);
        line(r - 3, t + 8, r - 10, t + 8);
        line(r - 10, t + 2, r - 10, t + 11);
        line(r - 11, t + 6, r - 15, t + 6);
    } else {
        // The same figure turned upright: the head at the top, the needle downwards.
        const int x = r - 9;
        line(x - 2, t + 1, x + 3, t + 1);
        line(x - 2, t + 3, x + 3, t + 3);
        line(x - 2, t + 1, x - 2, t + 8);
        line(x + 2, t + 1, x + 2, t + 8);
        line(x - 4, t + 8, x + 5, t + 8);
        line(x, t + 9, x, t + 13);
    }
}

void TToolPanel::PaintCaptionText(TCanvas& canvas, int left, TColor textColor) {
    QRect text(left + 4, 4, Width() - 37 - (left + 4), 21 - 4);
    if (FCaptionButton) {
        const TEdgeRect area{text.left() - 1, text.top() - 2, text.left() + text.width() - 5,
                             text.top() + text.height() - 1};
        if (MouseIn(area)) {
            PaintButtonHighlight(canvas, area);
        }
        text.setWidth(text.width() - 5);
        canvas.Pen.Color = textColor;
        canvas.Pen.Width = 1;
        for (int k = 0; k < 4; ++k) {
            const int y = area.Bottom - 10 + k;
            canvas.MoveTo(area.Right - 10 + k, y);
            canvas.LineTo(area.Right - 3 - k, y);
        }
        text.setWidth(text.width() - 10);
    }
    canvas.Font().Assign(*Font());
    canvas.Font().SetColor(textColor);
    canvas.Font().SetStyle(canvas.Font().Style() | fsBold);
    canvas.Brush.Style = bsClear;
    canvas.DrawText(Caption(), text, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    canvas.Brush.Style = bsSolid;
    canvas.Font().SetStyle(Font()->Style());
}

// ---- Registration

void RegisterToolPanels() {
    TClassRegistry::Instance().RegisterControl<TToolPanel>(QStringLiteral("TToolPanel"));
    TEventRegistry& events = TEventRegistry::Instance();
    events.Add("OnCaptionBtnClick", &TToolPanel::OnCaptionBtnClick);
    events.Add("OnItemClick", &TToolPanel::OnItemClick);
    events.Add("OnNodeExpand", &TToolPanel::OnNodeExpand);
    events.Add("OnNodeCollapse", &TToolPanel::OnNodeCollapse);
}

}  // namespace vx
