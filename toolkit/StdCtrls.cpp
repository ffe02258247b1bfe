#include "StdCtrls.h"

#include <QKeyEvent>
#include <QPalette>

#include "Colors.h"

namespace vx {

// ---- TEdit

TEdit::TEdit(QWidget* parent) : TWinControl(parent), FLine(new QLineEdit(this)) {
    FNoTabStopFocus = Qt::ClickFocus;
    SetColor(clWindow);
    SetTabStop(true);
    setFocusProxy(FLine);
    connect(FLine, &QLineEdit::textChanged, this, [this] {
        if (OnChange) {
            OnChange(this);
        }
    });
    SetBounds(0, 0, 121, 21);
}

void TEdit::SetMaxLength(int value) {
    FMaxLength = value;
    FLine->setMaxLength(value > 0 ? value : 32767);
}

bool TEdit::WantsKey(TKey key) const {
    return key != VK_RETURN && key != VK_ESCAPE && key != VK_TAB;
}

void TEdit::FontChanged() {
    FLine->setFont(Font()->ToQFont(true));
    QPalette palette = FLine->palette();
    palette.setColor(QPalette::Text, ToQColor(Font()->Color()));
    FLine->setPalette(palette);
    TWinControl::FontChanged();
}

void TEdit::ColorChanged() {
    QPalette palette = FLine->palette();
    palette.setColor(QPalette::Base, ToQColor(Color()));
    FLine->setPalette(palette);
    TWinControl::ColorChanged();
}

void TEdit::resizeEvent(QResizeEvent* e) {
    FLine->setGeometry(rect());
    TWinControl::resizeEvent(e);
}

// ---- TLabel

TLabel::TLabel(QWidget* parent) : TGraphicControl(parent) {
    SetBounds(0, 0, 65, 17);
}

void TLabel::SetCaption(const QString& value) {
    if (value != FCaption) {
        FCaption = value;
        AdjustBounds();
        update();
    }
}

void TLabel::SetTransparent(bool value) {
    if (value != FTransparent) {
        FTransparent = value;
        update();
    }
}

void TLabel::SetAutoSize(bool value) {
    if (value != FAutoSize) {
        FAutoSize = value;
        AdjustBounds();
    }
}

void TLabel::SetWordWrap(bool value) {
    if (value != FWordWrap) {
        FWordWrap = value;
        AdjustBounds();
        update();
    }
}

void TLabel::SetAlignment(TAlignment value) {
    if (value != FAlignment) {
        FAlignment = value;
        update();
    }
}

void TLabel::SetLayout(TTextLayout value) {
    if (value != FLayout) {
        FLayout = value;
        update();
    }
}

void TLabel::SetShowAccelChar(bool value) {
    if (value != FShowAccelChar) {
        FShowAccelChar = value;
        AdjustBounds();
        update();
    }
}

void TLabel::Loaded() {
    FLoading = false;
    AdjustBounds();
}

void TLabel::FontChanged() {
    AdjustBounds();
    TGraphicControl::FontChanged();
}

unsigned TLabel::TextFlags() const {
    static constexpr unsigned kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    unsigned flags = DT_EXPANDTABS | kAlignments[FAlignment];
    if (FWordWrap) {
        flags |= DT_WORDBREAK;
    }
    if (!FShowAccelChar) {
        flags |= DT_NOPREFIX;
    }
    return flags;
}

void TLabel::AdjustBounds() {
    if (FLoading || !FAutoSize) {
        return;
    }
    QImage scratch(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&scratch);
    canvas.Font().Assign(*Font());
    QRect r(0, 0, FWordWrap ? Width() : 0, 0);
    canvas.DrawText(FCaption.isEmpty() ? QStringLiteral(" ") : FCaption, r,
                    TextFlags() | DT_CALCRECT);
    int left = Left();
    if (FAlignment == taRightJustify) {
        left += Width() - r.width();
    } else if (FAlignment == taCenter) {
        left += (Width() - r.width()) / 2;
    }
    SetBounds(left, Top(), r.width(), r.height());
}

void TLabel::Paint() {
    TCanvas& canvas = Canvas();
    if (!FTransparent) {
        canvas.Brush.Color = Color();
        canvas.Brush.Style = bsSolid;
        canvas.FillRect(ClientRect());
    }
    canvas.Brush.Style = bsClear;
    canvas.Font().Assign(*Font());
    if (!Enabled()) {
        canvas.Font().SetColor(clGrayText);
    }
    QRect r = ClientRect();
    if (FLayout != tlTop) {
        QRect measured = r;
        canvas.DrawText(FCaption, measured, TextFlags() | DT_CALCRECT);
        const int offset = r.height() - measured.height();
        r.translate(0, FLayout == tlBottom ? offset : offset / 2);
    }
    canvas.DrawText(FCaption, r, TextFlags());
}

// ---- TPanel

void Frame3D(TCanvas& canvas, QRect& rect, TColor topColor, TColor bottomColor, int width) {
    int left = rect.left();
    int top = rect.top();
    int right = rect.right();
    int bottom = rect.bottom();
    canvas.Pen.Width = 1;
    canvas.Pen.Style = psSolid;
    for (; width > 0; --width) {
        canvas.Pen.Color = topColor;
        canvas.Polyline({QPoint(left, bottom), QPoint(left, top), QPoint(right, top)});
        canvas.Pen.Color = bottomColor;
        canvas.Polyline({QPoint(right, top), QPoint(right, bottom), QPoint(left - 1, bottom)});
        ++left;
        ++top;
        --right;
        --bottom;
    }
    rect = QRect(QPoint(left, top), QPoint(right, bottom));
}

TPanel::TPanel(QWidget* parent) : TWinControl(parent) {
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void TPanel::SetCaption(const QString& value) {
    if (value != FCaption) {
        FCaption = value;
        update();
    }
}

void TPanel::SetBevelOuter(TBevelCut value) {
    if (value != FBevelOuter) {
        FBevelOuter = value;
        Realign();
        update();
    }
}

void TPanel::SetBevelInner(TBevelCut value) {
    if (value != FBevelInner) {
        FBevelInner = value;
        Realign();
        update();
    }
}

void TPanel::SetBevelWidth(int value) {
    if (value != FBevelWidth) {
        FBevelWidth = value;
        Realign();
        update();
    }
}

void TPanel::SetBorderWidth(int value) {
    if (value != FBorderWidth) {
        FBorderWidth = value;
        Realign();
        update();
    }
}

void TPanel::SetAlignment(TAlignment value) {
    if (value != FAlignment) {
        FAlignment = value;
        update();
    }
}

QRect TPanel::AlignRect() const {
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) {
        inset += FBevelWidth;
    }
    if (FBevelInner != bvNone) {
        inset += FBevelWidth;
    }
    return ClientRect().adjusted(inset, inset, -inset, -inset);
}

void TPanel::Paint() {
    TCanvas& canvas = Canvas();
    QRect rect = ClientRect();
    const auto bevel = [&](TBevelCut cut) {
        const TColor top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        const TColor bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
        Frame3D(canvas, rect, top, bottom, FBevelWidth);
    };
    if (FBevelOuter != bvNone) {
        bevel(FBevelOuter);
    }
    Frame3D(canvas, rect, Color(), Color(), FBorderWidth);
    if (FBevelInner != bvNone) {
        bevel(FBevelInner);
    }
    canvas.Brush.Color = Color();
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(rect);
    if (!FCaption.isEmpty()) {
        static constexpr unsigned kAlignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
        canvas.Brush.Style = bsClear;
        canvas.Font().Assign(*Font());
        canvas.DrawText(FCaption, rect, DT_SINGLELINE | DT_VCENTER | kAlignments[FAlignment]);
    }
}

// ---- TImage

TImage::TImage(QWidget* parent) : TGraphicControl(parent), FPicture(std::make_unique<TPicture>()) {
    connect(FPicture.get(), &TPicture::Changed, this, &TImage::PictureChanged);
    SetBounds(0, 0, 105, 105);
}

void TImage::SetAutoSize(bool value) {
    FAutoSize = value;
    PictureChanged();
}

void TImage::SetStretch(bool value) {
    if (value != FStretch) {
        FStretch = value;
        update();
    }
}

void TImage::SetCenter(bool value) {
    if (value != FCenter) {
        FCenter = value;
        update();
    }
}

void TImage::SetTransparent(bool value) {
    if (value != FTransparent) {
        FTransparent = value;
        if (FPicture->Graphic() != nullptr) {
            FPicture->Graphic()->SetTransparent(value);
        }
        update();
    }
}

void TImage::PictureChanged() {
    TGraphic* graphic = FPicture->Graphic();
    if (FAutoSize && graphic != nullptr && !graphic->Empty()) {
        SetBounds(Left(), Top(), graphic->Width(), graphic->Height());
    }
    update();
}

void TImage::Paint() {
    TGraphic* graphic = FPicture->Graphic();
    if (graphic == nullptr || graphic->Empty()) {
        return;
    }
    TCanvas& canvas = Canvas();
    if (FStretch) {
        canvas.StretchDraw(ClientRect(), *graphic);
    } else if (FCenter) {
        canvas.Draw((Width() - graphic->Width()) / 2, (Height() - graphic->Height()) / 2, *graphic);
    } else {
        canvas.Draw(0, 0, *graphic);
    }
}

// ---- TButton

TButton::TButton(QWidget* parent) : TWinControl(parent) {
    FNoTabStopFocus = Qt::ClickFocus;
    SetColor(clBtnFace);
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TButton::SetCaption(const QString& value) {
    if (value != FCaption) {
        FCaption = value;
        update();
    }
}

void TButton::SetDown(bool value) {
    if (value != FDown) {
        FDown = value;
        update();
    }
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        SetFocus();
        SetDown(true);
    }
    TWinControl::MouseDown(button, shift, x, y);
}

void TButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        SetDown(false);
    }
    TWinControl::MouseUp(button, shift, x, y);
}

void TButton::KeyDown(TKey& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key == VK_SPACE) {
        SetDown(true);
    } else if (key == VK_RETURN) {
        key = 0;
        Click();
    }
}

// Space clicks on release, as long as the button stayed pressed.
void TButton::KeyUp(TKey& key, TShiftState shift) {
    TWinControl::KeyUp(key, shift);
    if (key == VK_SPACE && FDown) {
        SetDown(false);
        Click();
    }
}

bool TButton::DialogChar(QChar key, TShiftState) {
    if (!IsAccel(key, FCaption)) {
        return false;
    }
    SetFocus();
    Click();
    return true;
}

bool TButton::DialogKey(TKey key, TShiftState) {
    if ((key == VK_RETURN && FDefault) || (key == VK_ESCAPE && FCancel)) {
        Click();
        return true;
    }
    return false;
}

void TButton::DoExit() {
    SetDown(false);
    TWinControl::DoExit();
}

void TButton::Paint() {
    TCanvas& canvas = Canvas();
    QRect rect = ClientRect();
    if (FDefault || Focused()) {
        Frame3D(canvas, rect, clWindowFrame, clWindowFrame, 1);
    }
    if (FDown) {
        Frame3D(canvas, rect, clBtnShadow, clBtnShadow, 1);
    } else {
        Frame3D(canvas, rect, clBtnHighlight, cl3DDkShadow, 1);
        Frame3D(canvas, rect, cl3DLight, clBtnShadow, 1);
    }
    canvas.Brush.Color = Color();
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(rect);
    canvas.Brush.Style = bsClear;
    canvas.Font().Assign(*Font());
    if (!Enabled()) {
        canvas.Font().SetColor(clGrayText);
    }
    if (FDown) {
        rect.translate(1, 1);
    }
    canvas.DrawText(FCaption, rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

// ---- TPopupMenu

TPopupMenu::TPopupMenu(QObject* owner) : TComponent(owner), FMenu(std::make_unique<QMenu>()) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int x, int y) {
    ++FPopupCount;
    FPopupPoint = QPoint(x, y);
    if (OnPopup) {
        OnPopup(this);
    }
    if (!FMenu->actions().isEmpty()) {
        FMenu->popup(FPopupPoint);
    }
}

}  // namespace vx
