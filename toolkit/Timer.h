// A timer on the GUI thread: its ticks arrive as calls to OnTimer, with errors shown by the
// application's error box.
#pragma once

#include <QTimer>

#include "Control.h"

namespace vx {

class TTimer : public TComponent {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int Interval READ Interval WRITE SetInterval)

  public:
    explicit TTimer(QObject* owner = nullptr);

    bool Enabled() const { return FEnabled; }
    // Enabling an enabled timer changes nothing: its interval does not start again.
    void SetEnabled(bool value);
    int Interval() const { return FInterval; }
    // A new interval starts counting again.
    void SetInterval(int value);
    // Whether the platform timer is counting (enabled with an interval).
    bool Running() const { return FTimer.isActive(); }
    // Milliseconds to the next tick, or -1 when the timer is not running.
    int RemainingTime() const { return FTimer.remainingTime(); }

    // Delivers one tick as the platform timer does.
    void Tick();

    TNotifyEvent OnTimer;

  private:
    void UpdateTimer();

    QTimer FTimer;
    bool FEnabled = true;
    int FInterval = 1000;
};

}  // namespace vx
