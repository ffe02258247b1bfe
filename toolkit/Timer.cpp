#include "Timer.h"

#include "Application.h"

namespace vx {

TTimer::TTimer(QObject* owner) : TComponent(owner) {
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, &TTimer::Tick);
    // Enabled with an interval from the start: a timer left at its defaults runs.
    UpdateTimer();
}

void TTimer::SetEnabled(bool value) {
    if (value != FEnabled) {
        FEnabled = value;
        UpdateTimer();
    }
}

void TTimer::SetInterval(int value) {
    if (value != FInterval) {
        FInterval = value;
        UpdateTimer();
    }
}

void TTimer::UpdateTimer() {
    FTimer.stop();
    if (FEnabled && FInterval > 0) {
        FTimer.start(FInterval);
    }
}

void TTimer::Tick() {
    try {
        if (OnTimer) {
            OnTimer(this);
        }
    } catch (const std::exception& error) {
        HandleException(error);
    }
}

}  // namespace vx
