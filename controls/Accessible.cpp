#include "Accessible.h"

#include <QAccessibleWidget>
#include <QKeySequence>
#include <QTextDocumentFragment>

#include "Canvas.h"
#include "GlowButton.h"
#include "GradientPanel.h"
#include "PictureControl.h"
#include "ShapeButton.h"
#include "ToolPanels.h"
#include "ToolkitAccessible.h"

namespace vx {

namespace {

// Panel captions may carry formatting; a screen reader wants the words.
QString PlainText(const QString& text) {
    return Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

// A control whose states change under the user's hands: it remembers the states last announced
// so that an announcement names only what changed.
class TAnnouncingAccessible : public QAccessibleWidget {
  public:
    TAnnouncingAccessible(QWidget* control, QAccessible::Role role)
        : QAccessibleWidget(control, role) {}

    void Remember() { FAnnounced = state(); }

    void Announce() {
        const QAccessible::State now = state();
        QAccessible::State changed;
        changed.pressed = now.pressed != FAnnounced.pressed;
        changed.checked = now.checked != FAnnounced.checked;
        changed.animated = now.animated != FAnnounced.animated;
        FAnnounced = now;
        if (changed.pressed || changed.checked || changed.animated) {
            QAccessibleStateChangeEvent event(widget(), changed);
            QAccessible::updateAccessibility(&event);
        }
    }

  protected:
    // A name the window gives the control wins over the one the control makes itself.
    QString OwnName() const { return widget()->accessibleName(); }

  private:
    QAccessible::State FAnnounced;
};

// A glow button is a push button named by its caption, with its access key as shortcut.
class TGlowButtonAccessible : public TAnnouncingAccessible {
  public:
    explicit TGlowButtonAccessible(TCustomGlowButton* button)
        : TAnnouncingAccessible(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        const TPrefixedText caption = StripPrefix(Button()->Caption());
        switch (t) {
            case QAccessible::Name:
                return !OwnName().isEmpty() ? OwnName() : caption.Text;
            case QAccessible::Description:
                return !widget()->accessibleDescription().isEmpty()
                           ? widget()->accessibleDescription()
                           : Button()->Hint();
            case QAccessible::Accelerator:
                return Shortcut(caption);
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const TCustomGlowButton* button = Button();
        s.pressed = button->Pressed() && button->FaceState() == glow::gfsDown;
        s.checkable = button->GroupIndex() != 0 || button->Style() == glow::bsCheck;
        s.checked = s.checkable && button->Down();
        s.defaultButton = button->Default();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        // Pressed as its access key presses it: the click, nothing of the mouse's path.
        if (action == pressAction()) {
            if (Button()->Enabled()) {
                Button()->Click();
            }
            return;
        }
        QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString& action) const override {
        const QString shortcut = Shortcut(StripPrefix(Button()->Caption()));
        if (action == pressAction() && !shortcut.isEmpty()) {
            return {shortcut};
        }
        return QAccessibleWidget::keyBindingsForAction(action);
    }

  private:
    TCustomGlowButton* Button() const { return static_cast<TCustomGlowButton*>(widget()); }
    static QString Shortcut(const TPrefixedText& caption) {
        if (caption.AccessKey.isNull()) {
            return {};
        }
        return QKeySequence(QStringLiteral("Alt+") + caption.AccessKey)
            .toString(QKeySequence::NativeText);
    }
};

// A shape button is a link: it has no caption, so the window names it after what it opens.
class TShapeButtonAccessible : public TAnnouncingAccessible {
  public:
    explicit TShapeButtonAccessible(TCustomShapeButton* button)
        : TAnnouncingAccessible(button, QAccessible::Link) {}

    static QString JumpAction() { return QStringLiteral("jump"); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return !OwnName().isEmpty() ? OwnName() : Button()->Hint();
            case QAccessible::Description:
                return widget()->accessibleDescription();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const TCustomShapeButton* button = Button();
        s.linked = true;
        s.hotTracked = button->IsHot();
        s.pressed = (button->DrawState() & TCustomShapeButton::stPressed) != 0;
        s.checkable = button->GroupIndex() != 0;
        s.checked = s.checkable && button->Down();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{JumpAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override {
        if (action == JumpAction() || action == pressAction()) {
            if (Button()->Enabled()) {
                Button()->Click();
            }
            return;
        }
        QAccessibleWidget::doAction(action);
    }

  private:
    TCustomShapeButton* Button() const { return static_cast<TCustomShapeButton*>(widget()); }
};

// The panels group the controls on them under their caption.
class TGradientPanelAccessible : public QAccessibleWidget {
  public:
    explicit TGradientPanelAccessible(TCustomGradientPanel* panel)
        : QAccessibleWidget(panel, QAccessible::Grouping) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty()) {
            return QAccessibleWidget::text(t);
        }
        const auto* panel = static_cast<TCustomGradientPanel*>(widget());
        const QString caption = PlainText(panel->Caption()->Text());
        return !caption.isEmpty() ? caption : PlainText(panel->Text());
    }
};

class TToolPanelAccessible : public QAccessibleWidget {
  public:
    explicit TToolPanelAccessible(TToolPanel* panel)
        : QAccessibleWidget(panel, QAccessible::Grouping) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty()) {
            return QAccessibleWidget::text(t);
        }
        return static_cast<TToolPanel*>(widget())->Caption();
    }
};

// The picture control is an animation; its description says what it shows and whether it runs.
class TPictureControlAccessible : public TAnnouncingAccessible {
  public:
    explicit TPictureControlAccessible(TPictureControl* control)
        : TAnnouncingAccessible(control, QAccessible::Animation) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Description || !widget()->accessibleDescription().isEmpty()) {
            return QAccessibleWidget::text(t);
        }
        TIPicture* picture = Control()->Picture();
        if (picture->Empty()) {
            return QStringLiteral("Kein Bild");
        }
        const int frames = picture->FrameCount();
        const QString size = QStringLiteral("%1 × %2 Pixel")
                                 .arg(picture->DisplayWidth())
                                 .arg(picture->DisplayHeight());
        if (frames <= 1) {
            return QStringLiteral("Bild, %1").arg(size);
        }
        return QStringLiteral("Animation aus %1 Bildern, %2, %3")
            .arg(frames)
            .arg(size, Running() ? QStringLiteral("läuft") : QStringLiteral("angehalten"));
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.animated = Running();
        return s;
    }

  private:
    TPictureControl* Control() const { return static_cast<TPictureControl*>(widget()); }
    bool Running() const { return Control()->Animate() && Control()->Animatable(); }
};

QAccessibleInterface* ControlsFactory(const QString&, QObject* object) {
    TAnnouncingAccessible* announcing = nullptr;
    if (auto* glow = qobject_cast<TCustomGlowButton*>(object)) {
        announcing = new TGlowButtonAccessible(glow);
    } else if (auto* shape = qobject_cast<TCustomShapeButton*>(object)) {
        announcing = new TShapeButtonAccessible(shape);
    } else if (auto* picture = qobject_cast<TPictureControl*>(object)) {
        announcing = new TPictureControlAccessible(picture);
    } else if (auto* gradient = qobject_cast<TCustomGradientPanel*>(object)) {
        return new TGradientPanelAccessible(gradient);
    } else if (auto* tool = qobject_cast<TToolPanel*>(object)) {
        return new TToolPanelAccessible(tool);
    }
    if (announcing != nullptr) {
        announcing->Remember();
    }
    return announcing;
}

}  // namespace

void InstallControlsAccessibility() {
    static const bool installed = [] {
        InstallToolkitAccessibility();
        QAccessible::installFactory(ControlsFactory);
        return true;
    }();
    (void)installed;
}

void AnnounceStateChange(QWidget* control) {
    if (!QAccessible::isActive()) {
        return;
    }
    if (auto* announcing =
            dynamic_cast<TAnnouncingAccessible*>(QAccessible::queryAccessibleInterface(control))) {
        announcing->Announce();
    }
}

}  // namespace vx
