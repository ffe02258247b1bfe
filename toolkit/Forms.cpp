#include "Forms.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <functional>

#include "Application.h"
#include "Colors.h"
#include "Layout.h"

namespace vx {

TForm::TForm() : TWinControl(nullptr) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    TControl::SetVisible(false);
    SetColor(clBtnFace);
    ApplyWindowFlags();
}

TForm::~TForm() = default;

void TForm::SetBorderStyle(TFormBorderStyle value) {
    FBorderStyle = value;
    ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons value) {
    FBorderIcons = value;
    ApplyWindowFlags();
}

void TForm::ApplyWindowFlags() {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    const bool dialog = FBorderStyle == bsDialog;
    if (dialog) {
        flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    }
    if (FBorderIcons.testFlag(biSystemMenu)) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (!dialog && FBorderIcons.testFlag(biMinimize)) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        if (!dialog && FBorderIcons.testFlag(biMaximize) && FBorderStyle == bsSizeable) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    }
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow) {
        setFixedSize(size());
    } else {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (wasVisible) {
        show();
    }
}

void TForm::SetBounds(int left, int top, int width, int height) {
    if (FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow) {
        setFixedSize(std::max(0, width), std::max(0, height));
    }
    TControl::SetBounds(left, top, width, height);
    move(left, top);
}

void TForm::SetVisible(bool value) {
    if (value) {
        TControl::SetVisible(true);
        show();
    } else {
        TControl::SetVisible(false);
        hide();
    }
}

void TForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TForm::Hide() {
    SetVisible(false);
}

void TForm::Close() {
    close();
}

void TForm::BringToFront() {
    raise();
    activateWindow();
}

void TForm::LoadLayout(const QString& path) {
    TLayoutReader::ReadFile(path, *this);
    if (OnCreate) {
        OnCreate(this);
    }
}

namespace {

void ForEachControl(QWidget* parent, const std::function<void(TControl*)>& visit) {
    std::vector<TControl*> controls;
    for (QObject* child : parent->children()) {
        if (auto* control = qobject_cast<TControl*>(child);
            control != nullptr && !control->isWindow()) {
            controls.push_back(control);
        }
    }
    std::stable_sort(controls.begin(), controls.end(),
                     [](TControl* a, TControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TControl* control : controls) {
        visit(control);
        ForEachControl(control, visit);
    }
}

}  // namespace

bool TForm::DispatchDialogKey(TKey key, TShiftState shift) {
    bool taken = false;
    ForEachControl(this, [&](TControl* control) {
        if (!taken && control->isVisibleTo(this) && control->Enabled()) {
            taken = control->DialogKey(key, shift);
        }
    });
    return taken;
}

bool TForm::DispatchDialogChar(QChar key, TShiftState shift) {
    bool taken = false;
    ForEachControl(this, [&](TControl* control) {
        if (!taken && control->isVisibleTo(this) && control->Enabled()) {
            taken = control->DialogChar(key, shift);
        }
    });
    return taken;
}

void TForm::ChainTabOrder() {
    QWidget* previous = nullptr;
    ForEachControl(this, [&](TControl* control) {
        if (control->focusPolicy() & Qt::TabFocus) {
            if (previous != nullptr) {
                QWidget::setTabOrder(previous,
                                     control->focusProxy() ? control->focusProxy() : control);
            }
            previous = control->focusProxy() ? control->focusProxy() : control;
        }
    });
}

namespace {

// Whether Tab may stop at a widget: it takes the focus by Tab, and the control it belongs to is a
// tab stop. Widgets that a control makes for itself (the browser view's page, made after the tab
// order was chained) belong to that control.
bool IsTabStop(QWidget* widget, const TForm* form) {
    if (widget == nullptr || widget == form || widget->window() != form ||
        !(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy() != nullptr ||
        !widget->isVisibleTo(form) || !widget->isEnabled()) {
        return false;
    }
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* control = qobject_cast<TControl*>(w)) {
            return control != form && control->TabStop();
        }
    }
    return false;
}

}  // namespace

bool TForm::focusNextPrevChild(bool next) {
    QWidget* current = focusWidget();
    if (current == nullptr) {
        return TWinControl::focusNextPrevChild(next);
    }
    for (QWidget* w = current;;) {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (w == current) {
            return false;
        }
        if (IsTabStop(w, this)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
}

void TForm::Loaded() {
    ChainTabOrder();
}

void TForm::DoDestroy() {
    if (!FDestroyed) {
        FDestroyed = true;
        if (OnDestroy) {
            OnDestroy(this);
        }
    }
}

void TForm::PlaceOnShow() {
    QRect area;
    if (FPosition == poScreenCenter || FPosition == poDesktopCenter) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            area = screen->availableGeometry();
        }
    } else if (FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) {
        TForm* main = Application != nullptr ? Application->MainForm() : nullptr;
        if (main != nullptr && main != this && main->isVisible()) {
            area = main->geometry();
        } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
            area = screen->availableGeometry();
        }
    }
    if (area.isValid()) {
        const QPoint topLeft(area.left() + (area.width() - width()) / 2,
                             area.top() + (area.height() - height()) / 2);
        move(topLeft);
    }
}

void TForm::showEvent(QShowEvent* e) {
    if (!e->spontaneous()) {
        PlaceOnShow();
        if (OnShow) {
            OnShow(this);
        }
    }
}

void TForm::hideEvent(QHideEvent* e) {
    if (!e->spontaneous() && OnHide) {
        OnHide(this);
    }
}

void TForm::closeEvent(QCloseEvent* e) {
    e->accept();
    TControl::SetVisible(false);
    if (Application != nullptr && Application->MainForm() == this) {
        Application->Terminate();
    }
}

void TForm::paintEvent(QPaintEvent* e) {
    {
        QPainter painter(this);
        painter.fillRect(rect(), ToQColor(Color()));
    }
    TControl::paintEvent(e);
}

}  // namespace vx
