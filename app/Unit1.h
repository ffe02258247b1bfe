// The address check window: the check of an address through the browser view, the busy overlay
// and its hide delay, and the mouse hook that keeps the browser view's context menu away.
#pragma once

#include <QObject>
#include <QString>

#include "Forms.h"

namespace vx {
class TEdit;
class TGlowButton;
class TGradientPanel;
class TPictureControl;
class TPopupMenu;
class TTimer;
class TWebBrowser;
}  // namespace vx

// Mouse message identifiers as the hook tells them apart.
constexpr int WM_MOUSEMOVE = 512;
constexpr int WM_LBUTTONDOWN = 513;
constexpr int WM_LBUTTONUP = 514;
constexpr int WM_LBUTTONDBLCLK = 515;
constexpr int WM_RBUTTONDOWN = 516;
constexpr int WM_RBUTTONUP = 517;
constexpr int WM_RBUTTONDBLCLK = 518;
constexpr int WM_MBUTTONDOWN = 519;
constexpr int WM_MBUTTONUP = 520;
constexpr int WM_MBUTTONDBLCLK = 521;
// Hook codes: negative ones are only passed on.
constexpr int HC_ACTION = 0;
// What the hook returns to keep a message from its window.
constexpr int kSwallowMessage = 2;

// The check service's address up to the query value; the host is fixed at build time.
QString CheckServicePrefix();
// The check URL for an address: the text goes in as typed (no trimming, no validation), as a
// percent-encoded UTF-8 query value so that "+", "&", "#" and blanks arrive unchanged.
QString CheckUrl(const QString& address);

// The message identifier of a mouse event, 0 for every other event.
int MouseMessageOf(const QEvent& event);
// The hook procedure for one mouse message to a target; non-zero keeps the message from it.
int MouseHookProc(int code, int message, QObject* target);

// The thread's mouse hook: an application-wide event filter that hands every mouse message to
// the hook procedure.
class TMouseHook : public QObject {
    Q_OBJECT
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The installed hook, null while none is installed.
extern TMouseHook* HookHandle;

class TForm1 : public vx::TForm {
    Q_OBJECT
  public:
    TForm1();
    ~TForm1() override;

    vx::TEdit* Edit1 = nullptr;
    vx::TGlowButton* GlowButton1 = nullptr;
    vx::TGlowButton* GlowButton2 = nullptr;
    vx::TGlowButton* GlowButton3 = nullptr;
    vx::TWebBrowser* wb = nullptr;
    vx::TGradientPanel* GradientPanel2 = nullptr;
    vx::TPictureControl* PictureControl1 = nullptr;
    vx::TPopupMenu* PopupMenu1 = nullptr;
    vx::TTimer* Timer1 = nullptr;

    void FormCreate(QObject* Sender);
    void FormDestroy(QObject* Sender);
    void FormShow(QObject* Sender);
    void Edit1KeyPress(QObject* Sender, QChar& Key);
    void GlowButton1Click(QObject* Sender);
    void wbDocumentComplete(QObject* Sender, const QUrl& URL);
    void Timer1Timer(QObject* Sender);
    void GlowButton2Click(QObject* Sender);
    void GlowButton3Click(QObject* Sender);

    void Loaded() override;
};

extern TForm1* Form1;
