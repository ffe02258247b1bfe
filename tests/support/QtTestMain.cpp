// Test entry point: one QApplication and one application object for every test of a program.
#include <gtest/gtest.h>

#include <QApplication>

#include "Application.h"
#include "Font.h"
#include "Layout.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // ctest lists the tests by running the program without the tests' environment; without a
    // display that start would abort, so fall back to the off-screen platform then.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qt(argc, argv);
    vx::RegisterTahoma();
    vx::RegisterToolkitClasses();
    vx::TApplication application;
    application.SetTitle(QStringLiteral("Verinox 1.0"));
    return RUN_ALL_TESTS();
}
