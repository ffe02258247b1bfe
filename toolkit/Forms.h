// Windows (forms): caption, client size, border, position, key preview, and the events of a
// window's life. A window is built from its layout, with its handlers bound by name.
#pragma once

#include <QString>

#include "Control.h"
#include "Events.h"

namespace vx {

class TForm : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(vx::TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(vx::TBorderIcons BorderIcons READ BorderIcons WRITE SetBorderIcons)
    Q_PROPERTY(vx::TPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(bool KeyPreview READ KeyPreview WRITE SetKeyPreview)
    Q_PROPERTY(int PixelsPerInch READ PixelsPerInch WRITE SetPixelsPerInch)
    Q_PROPERTY(int TextHeight READ TextHeight WRITE SetTextHeight)

  public:
    TForm();
    ~TForm() override;

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& value) { setWindowTitle(value); }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value) { FPosition = value; }
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }
    int PixelsPerInch() const { return 96; }
    void SetPixelsPerInch(int) {}
    int TextHeight() const { return FTextHeight; }
    void SetTextHeight(int value) { FTextHeight = value; }
    // What a button that closes a dialog reports (mrNone, mrOk, ...); buttons set it on click.
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int value) { FModalResult = value; }

    // The window's own place is its frame's; its size is the client area.
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool value) override;

    void Show();
    void Hide();
    void Close();
    void BringToFront();

    // Builds the window's controls from a layout file (a resource path such as ":/layouts/x").
    void LoadLayout(const QString& path);
    const THandlerTable& Handlers() const { return FHandlers; }
    // Looks up a control or component of this window by its layout name.
    template <class T>
    T* Find(const QString& name) const {
        return findChild<T*>(name);
    }

    // The window's dialog-key and access-key rounds; true when a control took the key.
    bool DispatchDialogKey(TKey key, TShiftState shift);
    bool DispatchDialogChar(QChar key, TShiftState shift);

    void Loaded() override;
    // Runs OnDestroy; the application calls it before freeing the window.
    void DoDestroy();

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

  protected:
    THandlerTable FHandlers;

    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    bool focusNextPrevChild(bool next) override;

  private:
    void ApplyWindowFlags();
    void PlaceOnShow();
    void ChainTabOrder();

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = TBorderIcons(biSystemMenu) | biMinimize | biMaximize;
    TPosition FPosition = poDesigned;
    bool FKeyPreview = false;
    int FTextHeight = 13;
    int FModalResult = 0;
    bool FDestroyed = false;
};

}  // namespace vx
