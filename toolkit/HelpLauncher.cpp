#include "HelpLauncher.h"

#include <QCoreApplication>
#include <QProcess>

#include "Errors.h"

namespace vx {

QString HelpBrowserProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/verinox-help");
}

void OpenHelpPage(const QString& page, const QString& program) {
    if (!QProcess::startDetached(program, {page})) {
        throw EOleError(QStringLiteral("Could not start the help browser %1").arg(program));
    }
}

}  // namespace vx
