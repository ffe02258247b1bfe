// The help browser: a program of our own beside the executable that shows one page in its own
// window and lives on after the program ends.
#pragma once

#include <QString>

namespace vx {

QString HelpBrowserProgram();
// Starts a new help browser for the page, detached; raises EOleError when it cannot be started.
void OpenHelpPage(const QString& page, const QString& program = HelpBrowserProgram());

}  // namespace vx
