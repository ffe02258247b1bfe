#include "Control.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "Application.h"
#include "Colors.h"
#include "Errors.h"
#include "Forms.h"

namespace vx {

namespace {

TMouseButton ButtonOf(Qt::MouseButton button) {
    switch (button) {
        case Qt::RightButton:
            return mbRight;
        case Qt::MiddleButton:
            return mbMiddle;
        default:
            return mbLeft;
    }
}

}  // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState shift;
    shift.setFlag(ssShift, modifiers.testFlag(Qt::ShiftModifier));
    shift.setFlag(ssCtrl, modifiers.testFlag(Qt::ControlModifier));
    shift.setFlag(ssAlt, modifiers.testFlag(Qt::AltModifier));
    shift.setFlag(ssLeft, buttons.testFlag(Qt::LeftButton));
    shift.setFlag(ssRight, buttons.testFlag(Qt::RightButton));
    shift.setFlag(ssMiddle, buttons.testFlag(Qt::MiddleButton));
    return shift;
}

TKey KeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
            return VK_MENU;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Delete:
            return VK_DELETE;
        default:
            break;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return static_cast<TKey>(VK_F1 + (qtKey - Qt::Key_F1));
    }
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) {
        return static_cast<TKey>(qtKey);
    }
    return 0;
}

Qt::CursorShape CursorShapeOf(TCursor cursor) {
    switch (cursor) {
        case crNone:
            return Qt::BlankCursor;
        case crCross:
            return Qt::CrossCursor;
        case crIBeam:
            return Qt::IBeamCursor;
        case crSizeNESW:
            return Qt::SizeBDiagCursor;
        case crSizeNS:
            return Qt::SizeVerCursor;
        case crSizeNWSE:
            return Qt::SizeFDiagCursor;
        case crSizeWE:
            return Qt::SizeHorCursor;
        case crUpArrow:
            return Qt::UpArrowCursor;
        case crHourGlass:
            return Qt::WaitCursor;
        case crNo:
            return Qt::ForbiddenCursor;
        case crHandPoint:
            return Qt::PointingHandCursor;
        case crSizeAll:
            return Qt::SizeAllCursor;
        default:
            return Qt::ArrowCursor;
    }
}

// ---- TControl

TControl::TControl(QWidget* parent) : QWidget(parent), FFont(std::make_unique<TFont>()) {
    FBounds = QRect(0, 0, 0, 0);
    setGeometry(FBounds);
    setFocusPolicy(Qt::NoFocus);
    // Controls hear every move over them, pressed button or not, as the window system's own do:
    // hover looks, hand cursors and hints depend on it.
    setMouseTracking(true);
    connect(FFont.get(), &TFont::Changed, this, [this] {
        FParentFont = false;
        FontChanged();
    });
    ApplyParentColorAndFont();
}

TControl::~TControl() = default;

void TControl::SetBounds(int left, int top, int width, int height) {
    const QRect bounds(left, top, std::max(0, width), std::max(0, height));
    if (bounds == FBounds) {
        return;
    }
    const bool resized = bounds.size() != FBounds.size();
    FBounds = bounds;
    setGeometry(bounds);
    if (resized) {
        // Hidden widgets get their resize event only when shown; align now.
        Realign();
        Resize();
    }
    NotifyParentAlign();
}

void TControl::SetAlign(TAlign value) {
    if (value != FAlign) {
        FAlign = value;
        NotifyParentAlign();
    }
}

void TControl::SetVisible(bool value) {
    if (value == FVisible) {
        return;
    }
    FVisible = value;
    setVisible(value);
    VisibleChanged();
    NotifyParentAlign();
}

void TControl::SetEnabled(bool value) {
    if (value != FEnabled) {
        FEnabled = value;
        setEnabled(value);
        EnabledChanged();
    }
}

void TControl::SetCursor(TCursor value) {
    FCursor = value;
    if (value == crDefault) {
        unsetCursor();
    } else {
        setCursor(CursorShapeOf(value));
    }
}

void TControl::SetHint(const QString& value) {
    FHint = value;
    setToolTip(FShowHint ? value : QString());
}

void TControl::SetShowHint(bool value) {
    FShowHint = value;
    FParentShowHint = false;
    setToolTip(value ? FHint : QString());
}

void TControl::SetColor(TColor value) {
    if (value != FColor) {
        FColor = value;
        FParentColor = false;
        ColorChanged();
        for (QObject* child : children()) {
            if (auto* control = qobject_cast<TControl*>(child)) {
                control->ApplyParentColorAndFont();
            }
        }
    }
}

void TControl::SetParentColor(bool value) {
    FParentColor = value;
    if (value) {
        ApplyParentColorAndFont();
    }
}

void TControl::SetParentFont(bool value) {
    FParentFont = value;
    if (value) {
        ApplyParentColorAndFont();
    }
}

void TControl::ApplyParentColorAndFont() {
    TControl* parent = ParentControl();
    if (parent == nullptr) {
        return;
    }
    if (FParentColor && FColor != parent->Color()) {
        FColor = parent->Color();
        ColorChanged();
    }
    if (FParentFont && !(*FFont == *parent->Font())) {
        const QSignalBlocker block(FFont.get());
        FFont->Assign(*parent->Font());
        FontChanged();
    }
}

void TControl::SetTabStop(bool value) {
    FTabStop = value;
    setFocusPolicy(value ? Qt::StrongFocus : FNoTabStopFocus);
}

TControl* TControl::ParentControl() const {
    return qobject_cast<TControl*>(parentWidget());
}

TForm* TControl::ParentForm() const {
    for (QWidget* w = const_cast<TControl*>(this); w != nullptr; w = w->parentWidget()) {
        if (auto* form = qobject_cast<TForm*>(w)) {
            return form;
        }
    }
    return nullptr;
}

void TControl::NotifyParentAlign() {
    if (TControl* parent = ParentControl(); parent != nullptr && FAlign != alNone) {
        parent->Realign();
    }
}

void TControl::Realign() {
    if (FAligning) {
        return;
    }
    FAligning = true;
    AlignControls();
    FAligning = false;
}

void TControl::AlignControls() {
    std::vector<TControl*> aligned;
    for (QObject* child : children()) {
        auto* control = qobject_cast<TControl*>(child);
        if (control != nullptr && control->Visible() && control->Align() != alNone &&
            control->Align() != alCustom) {
            aligned.push_back(control);
        }
    }
    QRect rect = AlignRect();
    const auto place = [&](TAlign align, auto less) {
        std::vector<TControl*> group;
        std::copy_if(aligned.begin(), aligned.end(), std::back_inserter(group),
                     [align](TControl* c) { return c->Align() == align; });
        std::stable_sort(group.begin(), group.end(), less);
        for (TControl* c : group) {
            switch (align) {
                case alTop:
                    c->SetBounds(rect.left(), rect.top(), rect.width(), c->Height());
                    rect.setTop(rect.top() + c->Height());
                    break;
                case alBottom:
                    c->SetBounds(rect.left(), rect.bottom() + 1 - c->Height(), rect.width(),
                                 c->Height());
                    rect.setBottom(rect.bottom() - c->Height());
                    break;
                case alLeft:
                    c->SetBounds(rect.left(), rect.top(), c->Width(), rect.height());
                    rect.setLeft(rect.left() + c->Width());
                    break;
                case alRight:
                    c->SetBounds(rect.right() + 1 - c->Width(), rect.top(), c->Width(),
                                 rect.height());
                    rect.setRight(rect.right() - c->Width());
                    break;
                default:
                    c->SetBounds(rect.left(), rect.top(), rect.width(), rect.height());
                    break;
            }
        }
    };
    place(alTop, [](TControl* a, TControl* b) { return a->Top() < b->Top(); });
    place(alBottom, [](TControl* a, TControl* b) { return a->Top() > b->Top(); });
    place(alLeft, [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
    place(alRight, [](TControl* a, TControl* b) { return a->Left() > b->Left(); });
    place(alClient, [](TControl*, TControl*) { return false; });
}

bool TControl::Focused() const {
    return hasFocus();
}

bool TControl::CanFocus() const {
    for (const QWidget* w = this; w != nullptr; w = w->parentWidget()) {
        const auto* control = qobject_cast<const TControl*>(w);
        if (control != nullptr && (!control->Visible() || !control->Enabled())) {
            return false;
        }
    }
    return focusPolicy() != Qt::NoFocus;
}

void TControl::SetFocus() {
    setFocus(Qt::OtherFocusReason);
}

TCanvas& TControl::Canvas() {
    if (FPaintCanvas == nullptr) {
        throw EInvalidGraphicOperation("Canvas does not allow drawing");
    }
    return *FPaintCanvas;
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) {
        OnMouseDown(this, button, shift, x, y);
    }
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) {
        OnMouseMove(this, shift, x, y);
    }
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) {
        OnMouseUp(this, button, shift, x, y);
    }
}

void TControl::MouseEnter() {
    if (OnMouseEnter) {
        OnMouseEnter(this);
    }
}

void TControl::MouseLeave() {
    if (OnMouseLeave) {
        OnMouseLeave(this);
    }
}

void TControl::Click() {
    if (OnClick) {
        OnClick(this);
    }
}

void TControl::DblClick() {
    if (OnDblClick) {
        OnDblClick(this);
    }
}

void TControl::KeyDown(TKey& key, TShiftState shift) {
    if (OnKeyDown) {
        OnKeyDown(this, key, shift);
    }
}

void TControl::KeyUp(TKey& key, TShiftState shift) {
    if (OnKeyUp) {
        OnKeyUp(this, key, shift);
    }
}

void TControl::KeyPress(QChar& key) {
    if (OnKeyPress) {
        OnKeyPress(this, key);
    }
}

bool TControl::DialogChar(QChar, TShiftState) {
    return false;
}

bool TControl::DialogKey(TKey, TShiftState) {
    return false;
}

bool TControl::WantsKey(TKey) const {
    return false;
}

void TControl::DoEnter() {
    if (OnEnter) {
        OnEnter(this);
    }
}

void TControl::DoExit() {
    if (OnExit) {
        OnExit(this);
    }
}

void TControl::ButtonPressed(int, TControl*) {}

void BroadcastButtonPressed(QWidget* parent, int groupIndex, TControl* sender) {
    if (parent == nullptr) {
        return;
    }
    for (QObject* child : parent->children()) {
        if (auto* control = qobject_cast<TControl*>(child)) {
            control->ButtonPressed(groupIndex, sender);
        }
    }
}

void TControl::Resize() {
    if (OnResize) {
        OnResize(this);
    }
}

void TControl::FontChanged() {
    for (QObject* child : children()) {
        if (auto* control = qobject_cast<TControl*>(child)) {
            control->ApplyParentColorAndFont();
        }
    }
    update();
}

void TControl::ColorChanged() {
    update();
}

void TControl::EnabledChanged() {
    update();
}

bool TControl::event(QEvent* e) {
    try {
        return QWidget::event(e);
    } catch (const std::exception& error) {
        HandleException(error);
        return true;
    }
}

void TControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    canvas.Font().Assign(*FFont);
    FPaintCanvas = &canvas;
    struct Reset {
        TCanvas*& Target;
        ~Reset() { Target = nullptr; }
    } reset{FPaintCanvas};
    Paint();
}

void TControl::resizeEvent(QResizeEvent*) {
    // Qt may size a window itself; keep the bounds in step with it.
    if (size() != FBounds.size()) {
        FBounds.setSize(size());
        Realign();
        Resize();
    }
}

void TControl::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    FClickPending = e->button() == Qt::LeftButton;
    MouseDown(ButtonOf(e->button()), ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void TControl::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseMove(ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void TControl::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    const bool click =
        FClickOnRelease && FClickPending && e->button() == Qt::LeftButton && rect().contains(p);
    if (e->button() == Qt::LeftButton) {
        FClickPending = false;
    }
    const QPointer<TControl> self(this);
    MouseUp(ButtonOf(e->button()), ShiftStateOf(e->modifiers(), e->buttons()), p.x(), p.y());
    if (click && self) {
        Click();
    }
}

void TControl::mouseDoubleClickEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    // The double click stands for the second press; its release clicks no more.
    FClickPending = false;
    const QPointer<TControl> self(this);
    DblClick();
    if (self) {
        MouseDown(ButtonOf(e->button()), ShiftStateOf(e->modifiers(), e->buttons()) | ssDouble,
                  p.x(), p.y());
    }
}

void TControl::enterEvent(QEnterEvent*) {
    MouseEnter();
}

void TControl::leaveEvent(QEvent*) {
    MouseLeave();
}

void TControl::focusInEvent(QFocusEvent*) {
    DoEnter();
}

void TControl::focusOutEvent(QFocusEvent*) {
    DoExit();
}

void TControl::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ParentChange) {
        ApplyParentColorAndFont();
        NotifyParentAlign();
    }
    QWidget::changeEvent(e);
}

TWinControl::TWinControl(QWidget* parent) : TControl(parent) {}

TGraphicControl::TGraphicControl(QWidget* parent) : TControl(parent) {
    setFocusPolicy(Qt::NoFocus);
}

}  // namespace vx
