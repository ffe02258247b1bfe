// Input as a user gives it: mouse and keys enter through the window system (the window's
// QWindow), so Qt makes the enter and leave events, the mouse grab, double clicks and the move
// before a press itself, and keys pass the application's key routing to the focused control.
#pragma once

// Must come before QTest: mouse events then go to the window, not straight to the widget.
#define QTEST_QPA_MOUSE_HANDLING
#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "Forms.h"

namespace vx::test {

// Moves the pointer to a point of `widget`, held buttons and all. The platform's cursor moves
// with it (the offscreen platform reports the move to the window under it), so controls that
// ask where the cursor is get the same answer as the events give.
inline void MoveTo(QWidget* widget, QPoint point) {
    QCursor::setPos(widget->mapToGlobal(point));
    QApplication::processEvents();
}

// Moves the pointer onto the window's bottom-right pixel, where the tests place no control.
inline void MoveAway(QWidget& window) {
    MoveTo(&window, QPoint(window.width() - 1, window.height() - 1));
}

// Presses, releases and clicks where the pointer has first been moved to, as a hand does: the
// window system and the platform's cursor then agree on where the pointer is.
inline void MousePress(QWidget* widget, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                       QPoint point) {
    MoveTo(widget, point);
    QTest::mousePress(widget, button, modifiers, point);
}

inline void MouseRelease(QWidget* widget, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                         QPoint point) {
    MoveTo(widget, point);
    QTest::mouseRelease(widget, button, modifiers, point);
}

inline void MouseClick(QWidget* widget, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                       QPoint point) {
    MoveTo(widget, point);
    QTest::mouseClick(widget, button, modifiers, point);
}

inline void MouseDClick(QWidget* widget, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                        QPoint point) {
    MoveTo(widget, point);
    QTest::mouseDClick(widget, button, modifiers, point);
}

// Shows a top-level widget, makes it the active window and waits until it is on screen, with
// the pointer over the window's own background. The pointer is off every window while the
// window appears: Qt tells the control under the pointer's last place that it was entered but
// never that it was left.
inline void ShowActive(QWidget& window) {
    QCursor::setPos(window.screen()->geometry().bottomRight());
    QApplication::processEvents();
    window.show();
    QApplication::setActiveWindow(&window);
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&window);
    MoveAway(window);
    QApplication::processEvents();
}

// A window of ours is shown through its Visible property, which its controls consult.
inline void ShowActive(TForm& form) {
    form.Show();
    ShowActive(static_cast<QWidget&>(form));
}

// A key that the window system reports as auto-repeated (held down).
inline void RepeatedKey(QWidget& window, bool press, Qt::Key key, const QString& text) {
    QTest::simulateEvent(window.windowHandle(), press, key, Qt::NoModifier, text, true);
}

}  // namespace vx::test
