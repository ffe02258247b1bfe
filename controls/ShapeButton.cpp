#include "ShapeButton.h"

#include <QApplication>
#include <QCursor>

#include "Accessible.h"
#include "Layout.h"

namespace vx {

using namespace shape;

TCustomShapeButton::TCustomShapeButton(QWidget* parent)
    : TGraphicControl(parent),
      FPicture(std::make_unique<TGDIPPicture>()),
      FPictureHot(std::make_unique<TGDIPPicture>()),
      FPictureDown(std::make_unique<TGDIPPicture>()),
      FPictureDisabled(std::make_unique<TGDIPPicture>()),
      FLeaveTimer(std::make_unique<TTimer>()) {
    FClickOnRelease = false;
    SetBounds(0, 0, 32, 32);
    // Only the normal and the disabled face repaint on change; hot and down show at the next paint.
    connect(FPicture.get(), &TGraphic::Changed, this, [this] { update(); });
    connect(FPictureDisabled.get(), &TGraphic::Changed, this, [this] { update(); });
    FLeaveTimer->SetEnabled(false);
    FLeaveTimer->SetInterval(1);
    FLeaveTimer->OnTimer = [this](QObject*) { LeaveTimerTick(); };
}

TCustomShapeButton::~TCustomShapeButton() = default;

bool TCustomShapeButton::Inside(int x, int y) const {
    return x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight();
}

QPoint TCustomShapeButton::CursorPos() const {
    return QCursor::pos();
}

TGDIPPicture* TCustomShapeButton::FacePicture() const {
    if (!Enabled() && !FPictureDisabled->Empty()) {
        return FPictureDisabled.get();
    }
    if (Enabled() && FLeftIsDown && FIsHot && !FPictureDown->Empty()) {
        return FPictureDown.get();
    }
    if (Enabled() && FIsHot && !FPictureHot->Empty()) {
        return FPictureHot.get();
    }
    return FPicture.get();
}

void TCustomShapeButton::Paint() {
    if (!Enabled()) {
        FDrawState = stDisabled;
        FPressTracked = false;
    } else if (FDrawState == stDisabled) {
        FDrawState = FDown && FGroupIndex != 0 ? stLatched : stUp;
    }
    if (FStyle == tasCheck && FDown) {
        FDrawState = stPressed;
    }
    TGDIPPicture* picture = FacePicture();
    if (picture->Empty()) {
        return;
    }
    Canvas().Draw((Width() - picture->Width()) / 2, (Height() - picture->Height()) / 2, *picture);
}

void TCustomShapeButton::EnabledChanged() {
    update();
}

void TCustomShapeButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const TStateAnnouncement announce(this);
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) {
        return;
    }
    FLeftIsDown = true;
    if (!FDown) {
        FDrawState = stPressed;
        update();
    }
    if (FStyle == tasCheck) {
        FDrawState = stPressed;
        repaint();
    }
    FPressTracked = true;
}

void TCustomShapeButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (FPressTracked) {
        TDrawState state = FDown ? stLatched : stUp;
        if (Inside(x, y)) {
            state = FDown ? stLatched : stPressed;
        }
        if (FStyle == tasCheck && FDown) {
            state = stPressed;
        }
        if (state != FDrawState) {
            FDrawState = state;
            update();
        }
    } else if (!FIsHot) {
        SyncHotState();
    }
}

void TCustomShapeButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const TStateAnnouncement announce(this);
    const QPointer<TCustomShapeButton> self(this);
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!self) {
        return;
    }
    FLeftIsDown = false;
    update();
    if (!FPressTracked) {
        return;
    }
    FPressTracked = false;
    const bool inside = Inside(x, y);
    if (FGroupIndex == 0) {
        FDrawState = stUp;
        FIsHot = false;
        if (FStyle == tasCheck) {
            SetDown(!FDown);
            FDrawState = stUp;
        }
        if (inside) {
            update();
        }
    } else if (inside) {
        SetDown(!FDown);
        if (FDown) {
            repaint();
        }
    } else {
        if (FDown) {
            FDrawState = stLatched;
        }
        repaint();
    }
    if (inside) {
        Click();
        if (!self) {
            return;
        }
    }
    SyncHotState();
}

// The click runs OnClick, or the linked action when there is no handler.
void TCustomShapeButton::Click() {
    if (!OnClick && Action() != nullptr) {
        Action()->Execute();
        return;
    }
    TGraphicControl::Click();
}

bool TShapeButtonActionLink::IsGroupIndexLinked() const {
    return FAction != nullptr && FAction->GroupIndex() == FClient.GroupIndex();
}

void TCustomShapeButton::SetAction(TAction* value) {
    disconnect(FActionConnection);
    FActionLink.reset();
    if (value == nullptr) {
        return;
    }
    FActionLink = std::make_unique<TShapeButtonActionLink>(*this, *value);
    FActionConnection = connect(value, &TAction::Changed, this, [this] { ActionUpdated(); });
    if (FLoading || FGroupIndex == 0) {
        SetGroupIndex(value->GroupIndex());
    }
    ActionUpdated();
}

void TCustomShapeButton::ActionUpdated() {
    TAction* action = Action();
    if (action == nullptr) {
        return;
    }
    SetEnabled(action->Enabled());
    if (FActionLink->IsGroupIndexLinked()) {
        SetDown(action->Checked());
    }
}

void TCustomShapeButton::MouseEnter() {
    FIsHot = true;
    if (Enabled()) {
        update();
    }
    FLeaveTimer->SetEnabled(true);
    TGraphicControl::MouseEnter();
}

void TCustomShapeButton::MouseLeave() {
    const TStateAnnouncement announce(this);
    FLeaveTimer->SetEnabled(false);
    FIsHot = false;
    if (Enabled()) {
        update();
    }
    TGraphicControl::MouseLeave();
}

void TCustomShapeButton::LeaveTimerTick() {
    if (!rect().contains(mapFromGlobal(CursorPos()))) {
        FLeaveTimer->SetEnabled(false);
        FIsHot = false;
        if (Enabled()) {
            update();
        }
    }
}

void TCustomShapeButton::SyncHotState() {
    if (!Enabled()) {
        return;
    }
    if (QApplication::widgetAt(CursorPos()) == this) {
        MouseEnter();
    } else {
        MouseLeave();
    }
}

void TCustomShapeButton::SetStyle(TShapeButtonStyle value) {
    if (value != FStyle) {
        FStyle = value;
        update();
    }
}

void TCustomShapeButton::SetGroupIndex(int value) {
    if (value != FGroupIndex) {
        FGroupIndex = value;
        BroadcastButtonPressed(parentWidget(), FGroupIndex, this);
    }
}

void TCustomShapeButton::SetAllowAllUp(bool value) {
    if (value != FAllowAllUp) {
        FAllowAllUp = value;
        BroadcastButtonPressed(parentWidget(), FGroupIndex, this);
    }
}

void TCustomShapeButton::SetDown(bool value) {
    const TStateAnnouncement announce(this);
    if (FLoading) {
        FDownWhileLoading = value;
        return;
    }
    if (FGroupIndex == 0 && FStyle == tasButton) {
        value = false;
    }
    if (FStyle == tasCheck) {
        FDown = value;
        FDrawState = value ? stPressed : stUp;
        repaint();
        return;
    }
    if (value == FDown || (FDown && !FAllowAllUp)) {
        return;
    }
    FDown = value;
    if (value) {
        if (FDrawState == stUp) {
            update();
        }
        FDrawState = stLatched;
        BroadcastButtonPressed(parentWidget(), FGroupIndex, this);
    } else {
        FDrawState = stUp;
        repaint();
    }
}

void TCustomShapeButton::Loaded() {
    FLoading = false;
    if (FDownWhileLoading != FDown) {
        SetDown(FDownWhileLoading);
    }
}

void TCustomShapeButton::ButtonPressed(int groupIndex, TControl* sender) {
    if (groupIndex != FGroupIndex || sender == this) {
        return;
    }
    auto* other = qobject_cast<TCustomShapeButton*>(sender);
    if (other == nullptr) {
        return;
    }
    if (other->FDown && FDown) {
        FDown = false;
        FDrawState = stUp;
        if (TAction* action = Action()) {
            action->SetChecked(false);
        }
        update();
    }
    FAllowAllUp = other->FAllowAllUp;
}

QPoint TCustomShapeButton::ShortCutHintPlace(QPoint corner, QSize tip) const {
    const int x = corner.x();
    const int y = corner.y();
    const int w = tip.width();
    const int h = tip.height();
    switch (FShortCutHintPos) {
        case shpLeft:
            return {x - w / 2, y + (Height() - h) / 2};
        case shpRight:
            return {x + Width() - w / 2, y + (Height() - h) / 2};
        case shpBottom:
            return {x + (Width() - w) / 2, y + Height() - h / 2};
        case shpTop:
            break;
    }
    return {x + (Width() - w) / 2, y - h / 2};
}

void TCustomShapeButton::ToggleShortCutHint() {
    if (FShortCutHintWindow) {
        FShortCutHintWindow->hide();
        FShortCutHintWindow.reset();
        return;
    }
    FShortCutHintWindow = std::make_unique<TShortCutHintWindow>(window());
    FShortCutHintWindow->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    FShortCutHintWindow->SetCaption(FShortCutHint);
    FShortCutHintWindow->move(
        ShortCutHintPlace(mapToGlobal(QPoint(0, 0)), FShortCutHintWindow->size()));
    FShortCutHintWindow->show();
}

void RegisterShapeButton() {
    TClassRegistry::Instance().RegisterControl<TShapeButton>(QStringLiteral("TShapeButton"));
}

}  // namespace vx
