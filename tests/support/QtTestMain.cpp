// Test entry point: one QApplication and one application object for every test of a program.
#include <gtest/gtest.h>

#include <QApplication>

#include "Application.h"
#include "Font.h"
#include "Layout.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (ctest's discovery) needs no screen and no application.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    QApplication qt(argc, argv);
    vx::RegisterTahoma();
    vx::RegisterToolkitClasses();
    vx::TApplication application;
    application.SetTitle(QStringLiteral("Verinox 1.0"));
    return RUN_ALL_TESTS();
}
