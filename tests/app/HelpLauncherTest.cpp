#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include "Errors.h"
#include "HelpLauncher.h"

namespace {

TEST(HelpLauncher, StartsTheBrowserDetachedWithThePageOrRaises) {
    EXPECT_TRUE(vx::HelpBrowserProgram().endsWith("/verinox-help"));
    QTemporaryDir dir;
    const QString page = dir.filePath("hilfe.html");
    vx::OpenHelpPage(page, QStringLiteral("/usr/bin/touch"));
    for (int i = 0; i < 100 && !QFileInfo::exists(page); ++i) {
        QThread::msleep(10);
    }
    EXPECT_TRUE(QFileInfo::exists(page)) << "the program got the page's path";
    const QString missing = dir.filePath("no-such-browser");
    try {
        vx::OpenHelpPage(page, missing);
        ADD_FAILURE() << "no error";
    } catch (const vx::EOleError& error) {
        EXPECT_EQ(error.Message(), "Could not start the help browser " + missing);
    }
}

}  // namespace
