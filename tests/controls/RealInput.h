// Input as a user gives it: mouse and keys enter through the window system (the window's
// QWindow), so Qt makes the enter and leave events, the mouse grab, double clicks and the move
// before a press itself, and keys pass the application's key routing to the focused control.
#pragma once

// Must come before QTest: mouse events then go to the window, not straight to the widget.
#define QTEST_QPA_MOUSE_HANDLING
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "Forms.h"

namespace vx::test {

// Moves the pointer to a point of `widget` without a pressed button.
inline void MoveTo(QWidget* widget, QPoint point) {
    QTest::mouseMove(widget, point);
}

// Moves the pointer onto the window's bottom-right pixel, where the tests place no control.
inline void MoveAway(QWidget& window) {
    QTest::mouseMove(&window, QPoint(window.width() - 1, window.height() - 1));
}

// Shows a top-level widget, makes it the active window and waits until it is on screen. The
// pointer starts over the window's own background: a pointer left over a control by an earlier
// window would make the first move there no move at all.
inline void ShowActive(QWidget& window) {
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
