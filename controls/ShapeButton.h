// A windowless button whose whole face is one of four pictures chosen by state; without
// pictures it paints nothing and serves as an invisible click area.
#pragma once

#include <memory>

#include "Action.h"
#include "Control.h"
#include "GDIPicture.h"
#include "GlowButton.h"
#include "Timer.h"

namespace vx {
namespace shape {
Q_NAMESPACE

enum TShapeButtonStyle { tasButton, tasCheck };
Q_ENUM_NS(TShapeButtonStyle)

enum TShortCutHintPos { shpLeft, shpTop, shpRight, shpBottom };
Q_ENUM_NS(TShortCutHintPos)

}  // namespace shape

class TCustomShapeButton;

// Ties a shape button to an action: Down follows the action's check mark and GroupIndex its group
// index while they are linked.
class TShapeButtonActionLink {
  public:
    TShapeButtonActionLink(TCustomShapeButton& client, TAction& action)
        : FClient(client), FAction(&action) {}
    TAction* Action() const { return FAction; }
    bool IsGroupIndexLinked() const;

  private:
    TCustomShapeButton& FClient;
    QPointer<TAction> FAction;
};

class TCustomShapeButton : public TGraphicControl {
    Q_OBJECT
  public:
    enum TDrawState { stUp = 0, stDisabled = 1, stPressed = 2, stLatched = 4 };

    explicit TCustomShapeButton(QWidget* parent = nullptr);
    ~TCustomShapeButton() override;

    TGDIPPicture* Picture() const { return FPicture.get(); }
    TGDIPPicture* PictureHot() const { return FPictureHot.get(); }
    TGDIPPicture* PictureDown() const { return FPictureDown.get(); }
    TGDIPPicture* PictureDisabled() const { return FPictureDisabled.get(); }
    shape::TShapeButtonStyle Style() const { return FStyle; }
    void SetStyle(shape::TShapeButtonStyle value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value);
    bool Down() const { return FDown; }
    void SetDown(bool value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    QString ShortCutHint() const { return FShortCutHint; }
    void SetShortCutHint(const QString& value) { FShortCutHint = value; }
    shape::TShortCutHintPos ShortCutHintPos() const { return FShortCutHintPos; }
    void SetShortCutHintPos(shape::TShortCutHintPos value) { FShortCutHintPos = value; }
    QString Version() const { return QStringLiteral("1.0.0.0"); }
    void SetVersion(const QString&) {}

    // Where the key tip window of size `tip` goes, in screen coordinates of the button's corner.
    QPoint ShortCutHintPlace(QPoint buttonTopLeft, QSize tip) const;
    TAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    // Links the button to an action (null unlinks); the action hands over its group index when
    // the button has none.
    void SetAction(TAction* value);

    // A key-tip request: shows the key tip window, or hides and frees a shown one.
    void ToggleShortCutHint();
    TShortCutHintWindow* ShortCutHintWindow() const { return FShortCutHintWindow.get(); }

    TDrawState DrawState() const { return FDrawState; }
    bool IsHot() const { return FIsHot; }
    bool LeftIsDown() const { return FLeftIsDown; }
    bool LeaveTimerRunning() const { return FLeaveTimer->Enabled(); }
    // The picture the face shows now (possibly empty).
    TGDIPPicture* FacePicture() const;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    // The button's own clicks come from its mouse-up; a double click is a second press.
    void DblClick() override {}
    void Click() override;
    void ButtonPressed(int groupIndex, TControl* sender) override;

    void Loading() override { FLoading = true; }
    void Loaded() override;

  protected:
    void Paint() override;
    void EnabledChanged() override;
    // The cursor position in screen coordinates (tests supply their own).
    virtual QPoint CursorPos() const;

  private:
    bool Inside(int x, int y) const;
    void ActionUpdated();
    void LeaveTimerTick();
    void SyncHotState();

    std::unique_ptr<TGDIPPicture> FPicture;
    std::unique_ptr<TGDIPPicture> FPictureHot;
    std::unique_ptr<TGDIPPicture> FPictureDown;
    std::unique_ptr<TGDIPPicture> FPictureDisabled;
    shape::TShapeButtonStyle FStyle = shape::tasButton;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FAllowAllUp = false;
    QString FShortCutHint;
    shape::TShortCutHintPos FShortCutHintPos = shape::shpTop;

    bool FIsHot = false;
    bool FLeftIsDown = false;
    bool FPressTracked = false;
    TDrawState FDrawState = stUp;
    std::unique_ptr<TTimer> FLeaveTimer;
    std::unique_ptr<TShortCutHintWindow> FShortCutHintWindow;
    std::unique_ptr<TShapeButtonActionLink> FActionLink;
    QMetaObject::Connection FActionConnection;
    bool FLoading = false;
    bool FDownWhileLoading = false;
};

class TShapeButton : public TCustomShapeButton {
    Q_OBJECT
    Q_PROPERTY(vx::TGDIPPicture* Picture READ Picture)
    Q_PROPERTY(vx::TGDIPPicture* PictureHot READ PictureHot)
    Q_PROPERTY(vx::TGDIPPicture* PictureDown READ PictureDown)
    Q_PROPERTY(vx::TGDIPPicture* PictureDisabled READ PictureDisabled)
    Q_PROPERTY(vx::shape::TShapeButtonStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int GroupIndex READ GroupIndex WRITE SetGroupIndex)
    Q_PROPERTY(bool Down READ Down WRITE SetDown)
    Q_PROPERTY(bool AllowAllUp READ AllowAllUp WRITE SetAllowAllUp)
    Q_PROPERTY(QString ShortCutHint READ ShortCutHint WRITE SetShortCutHint)
    Q_PROPERTY(
        vx::shape::TShortCutHintPos ShortCutHintPos READ ShortCutHintPos WRITE SetShortCutHintPos)
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
  public:
    using TCustomShapeButton::TCustomShapeButton;
};

// Makes the shape button known to layouts.
void RegisterShapeButton();

}  // namespace vx
