// The control framework: components, controls with published properties, windowed and
// windowless controls, alignment, and the input they receive as calls.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

#include "Canvas.h"
#include "Events.h"
#include "Font.h"
#include "LayoutValue.h"
#include "Types.h"

namespace vx {

class TForm;

// A non-visual part of a window (timers, menus); its owner is its QObject parent.
class TComponent : public QObject, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
  public:
    explicit TComponent(QObject* owner = nullptr) : QObject(owner) {}
    QString Name() const { return objectName(); }
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }

  private:
    int FTag = 0;
};

class TControl : public QWidget, public ILayoutTarget {
    Q_OBJECT
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth)
    Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight)
    Q_PROPERTY(vx::TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int Cursor READ Cursor WRITE SetCursor)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
    Q_PROPERTY(vx::TFont* Font READ Font)
    Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)

  public:
    explicit TControl(QWidget* parent = nullptr);
    ~TControl() override;

    QString Name() const { return objectName(); }

    int Left() const { return FBounds.left(); }
    int Top() const { return FBounds.top(); }
    int Width() const { return FBounds.width(); }
    int Height() const { return FBounds.height(); }
    void SetLeft(int value) { SetBounds(value, Top(), Width(), Height()); }
    void SetTop(int value) { SetBounds(Left(), value, Width(), Height()); }
    void SetWidth(int value) { SetBounds(Left(), Top(), value, Height()); }
    void SetHeight(int value) { SetBounds(Left(), Top(), Width(), value); }
    QRect BoundsRect() const { return FBounds; }
    // Every size and place change passes here; controls override it to adjust or refuse.
    virtual void SetBounds(int left, int top, int width, int height);
    virtual int ClientWidth() const { return Width(); }
    virtual int ClientHeight() const { return Height(); }
    virtual void SetClientWidth(int value) { SetWidth(value); }
    virtual void SetClientHeight(int value) { SetHeight(value); }
    QRect ClientRect() const { return QRect(0, 0, ClientWidth(), ClientHeight()); }

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    QString Hint() const { return FHint; }
    void SetHint(const QString& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value) { FParentShowHint = value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* Font() const { return FFont.get(); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value);
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int value) { FTabOrder = value; }

    // The control under which this one is placed (its parent control), or null.
    TControl* ParentControl() const;
    TForm* ParentForm() const;
    // The rectangle inside which aligned children are placed.
    virtual QRect AlignRect() const { return ClientRect(); }
    // Places the aligned children again (after a size, alignment or visibility change).
    void Realign();

    void Invalidate() { update(); }
    void Repaint() { repaint(); }
    bool Focused() const;
    bool CanFocus() const;
    void SetFocus();

    // The canvas of the paint in progress.
    TCanvas& Canvas();

    // Input, as calls so that tests and other code can drive a control without a screen.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Click();
    virtual void DblClick();
    virtual void KeyDown(TKey& key, TShiftState shift);
    virtual void KeyUp(TKey& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    // An access key pressed somewhere in the window; true when the control took it.
    virtual bool DialogChar(QChar key, TShiftState shift);
    // Enter, Esc and the like that the focused control did not take; true when taken.
    virtual bool DialogKey(TKey key, TShiftState shift);
    // Whether the control handles this key itself instead of the window's dialog keys.
    virtual bool WantsKey(TKey key) const;
    // Whether typed characters go to the control rather than to the window's access keys.
    virtual bool WantsChars() const { return false; }
    virtual void DoEnter();
    virtual void DoExit();
    // A button of `groupIndex` went down; buttons of that group on the same parent react.
    virtual void ButtonPressed(int groupIndex, TControl* sender);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TNotifyEvent OnResize;

  protected:
    virtual void Paint() {}
    virtual void Resize();
    // Places aligned children inside AlignRect; controls with their own rules override it.
    virtual void AlignControls();
    // Notifications of look changes: they repaint by default.
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged() {}
    // Whether releasing the left button inside after pressing it inside fires Click.
    bool FClickOnRelease = true;

    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;

    // The focus policy a control has without a tab stop.
    Qt::FocusPolicy FNoTabStopFocus = Qt::NoFocus;

  private:
    void ApplyParentColorAndFont();
    void NotifyParentAlign();

    QRect FBounds;
    TAlign FAlign = alNone;
    bool FVisible = true;
    bool FEnabled = true;
    TCursor FCursor = crDefault;
    QString FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    int FTag = 0;
    bool FTabStop = false;
    int FTabOrder = -1;
    bool FAligning = false;
    bool FClickPending = false;
    TCanvas* FPaintCanvas = nullptr;
};

// A control with a window of its own: it can take the focus and holds other controls.
class TWinControl : public TControl {
    Q_OBJECT
  public:
    explicit TWinControl(QWidget* parent = nullptr);
};

// A control without a window: no focus, painted over its parent's surface.
class TGraphicControl : public TControl {
    Q_OBJECT
  public:
    explicit TGraphicControl(QWidget* parent = nullptr);
};

// Tells every control on `parent` that a button of a group went down.
void BroadcastButtonPressed(QWidget* parent, int groupIndex, TControl* sender);

// Qt shift state and key code conversions.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
TKey KeyOf(int qtKey);
Qt::CursorShape CursorShapeOf(TCursor cursor);

}  // namespace vx
