// The standard controls the windows use: edit field, label, bevelled panel, image and popup menu.
#pragma once

#include <QLineEdit>
#include <QMenu>
#include <QPoint>

#include "Control.h"
#include "Graphics.h"

namespace vx {

class TEdit : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(int MaxLength READ MaxLength WRITE SetMaxLength)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)

  public:
    explicit TEdit(QWidget* parent = nullptr);

    QString Text() const { return FLine->text(); }
    void SetText(const QString& value) { FLine->setText(value); }
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return FLine->isReadOnly(); }
    void SetReadOnly(bool value) { FLine->setReadOnly(value); }
    QLineEdit* Line() const { return FLine; }

    bool WantsKey(TKey key) const override;
    bool WantsChars() const override { return true; }

    TNotifyEvent OnChange;

  protected:
    void FontChanged() override;
    void ColorChanged() override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    QLineEdit* FLine;
    int FMaxLength = 0;
};

class TLabel : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
    Q_PROPERTY(vx::TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(vx::TTextLayout Layout READ Layout WRITE SetLayout)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)

  public:
    explicit TLabel(QWidget* parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);

    void Loaded() override;

  protected:
    void Paint() override;
    void FontChanged() override;

  private:
    unsigned TextFlags() const;
    void AdjustBounds();

    QString FCaption;
    bool FTransparent = false;
    bool FAutoSize = true;
    bool FWordWrap = false;
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FShowAccelChar = true;
    bool FLoading = true;
};

// A panel with raised, lowered or no bevels; its aligned children sit inside the bevels.
class TPanel : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(vx::TBevelCut BevelOuter READ BevelOuter WRITE SetBevelOuter)
    Q_PROPERTY(vx::TBevelCut BevelInner READ BevelInner WRITE SetBevelInner)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
    Q_PROPERTY(vx::TAlignment Alignment READ Alignment WRITE SetAlignment)

  public:
    explicit TPanel(QWidget* parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

    QRect AlignRect() const override;

  protected:
    void Paint() override;

  private:
    QString FCaption;
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
};

// Draws a 3D frame of `width` pixels inside `rect` and shrinks it by that frame.
void Frame3D(TCanvas& canvas, QRect& rect, TColor topColor, TColor bottomColor, int width);

class TImage : public TGraphicControl {
    Q_OBJECT
    Q_PROPERTY(vx::TPicture* Picture READ Picture)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)

  public:
    explicit TImage(QWidget* parent = nullptr);

    TPicture* Picture() const { return FPicture.get(); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);

  protected:
    void Paint() override;

  private:
    void PictureChanged();

    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FStretch = false;
    bool FCenter = false;
    bool FTransparent = false;
};

// A push button: caption with an "&" access key, Enter or Space when focused, and the window's
// Enter (Default) and Esc (Cancel) keys.
class TButton : public TWinControl {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Default READ Default WRITE SetDefault)
    Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)

  public:
    explicit TButton(QWidget* parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    bool Default() const { return FDefault; }
    void SetDefault(bool value) { FDefault = value; }
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    bool Down() const { return FDown; }

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(TKey& key, TShiftState shift) override;
    void KeyUp(TKey& key, TShiftState shift) override;
    bool DialogChar(QChar key, TShiftState shift) override;
    bool DialogKey(TKey key, TShiftState shift) override;
    bool WantsKey(TKey key) const override { return key == VK_RETURN || key == VK_SPACE; }
    void DoExit() override;

  protected:
    void Paint() override;

  private:
    void SetDown(bool value);

    QString FCaption;
    bool FDefault = false;
    bool FCancel = false;
    bool FDown = false;
};

class TPopupMenu : public TComponent {
    Q_OBJECT
  public:
    explicit TPopupMenu(QObject* owner = nullptr);
    ~TPopupMenu() override;

    QMenu* Items() const { return FMenu.get(); }
    // Opens the menu at a screen point; a menu without items opens nothing but still reports.
    void Popup(int x, int y);
    int PopupCount() const { return FPopupCount; }
    QPoint PopupPoint() const { return FPopupPoint; }

    TNotifyEvent OnPopup;

  private:
    std::unique_ptr<QMenu> FMenu;
    int FPopupCount = 0;
    QPoint FPopupPoint;
};

}  // namespace vx
