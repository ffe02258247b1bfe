#include "Action.h"

#include "Layout.h"

namespace vx {

void TAction::SetCaption(const QString& value) {
    if (value != FCaption) {
        FCaption = value;
        emit Changed();
    }
}

void TAction::SetChecked(bool value) {
    if (value != FChecked) {
        FChecked = value;
        emit Changed();
    }
}

void TAction::SetEnabled(bool value) {
    if (value != FEnabled) {
        FEnabled = value;
        emit Changed();
    }
}

void TAction::SetGroupIndex(int value) {
    if (value != FGroupIndex) {
        FGroupIndex = value;
        emit Changed();
    }
}

void TAction::SetImageIndex(int value) {
    if (value != FImageIndex) {
        FImageIndex = value;
        emit Changed();
    }
}

bool TAction::Execute() {
    if (!OnExecute) {
        return false;
    }
    OnExecute(this);
    return true;
}

void RegisterAction() {
    TClassRegistry::Instance().RegisterComponent<TAction>(QStringLiteral("TAction"));
    TEventRegistry::Instance().Add("OnExecute", &TAction::OnExecute);
}

}  // namespace vx
