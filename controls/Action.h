// A command that several controls can share: its caption, checked and enabled state, group and
// image index, and what executing it does. Linked controls follow its changes.
#pragma once

#include "Control.h"

namespace vx {

class TAction : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(int ImageIndex READ ImageIndex WRITE SetImageIndex)

  public:
    explicit TAction(QObject* owner = nullptr) : TComponent(owner) {}

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);

    // Runs OnExecute; false when there is none.
    bool Execute();

    TNotifyEvent OnExecute;

  signals:
    void Changed();

  private:
    QString FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    int FGroupIndex = 0;
    int FImageIndex = -1;
};

void RegisterAction();

}  // namespace vx
