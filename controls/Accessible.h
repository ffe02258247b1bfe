// The painted controls as screen readers see them: each answers Qt's accessibility interface with
// its role, name, states and actions, and tells of its state changes.
#pragma once

#include <QPointer>
#include <QWidget>

namespace vx {

// Makes the controls' interfaces (and the platform layer's) known to Qt; once is enough, more
// calls change nothing.
void InstallControlsAccessibility();

// Tells screen readers which of `control`'s states (pressed, checked, animated) differ from those
// they last heard of. Costs nothing while no screen reader listens.
void AnnounceStateChange(QWidget* control);

// Announces the control's state changes when the handler it is made in ends, on every way out.
class TStateAnnouncement {
  public:
    explicit TStateAnnouncement(QWidget* control) : FControl(control) {}
    ~TStateAnnouncement() {
        if (FControl) {
            AnnounceStateChange(FControl);
        }
    }
    TStateAnnouncement(const TStateAnnouncement&) = delete;
    TStateAnnouncement& operator=(const TStateAnnouncement&) = delete;

  private:
    QPointer<QWidget> FControl;
};

}  // namespace vx
