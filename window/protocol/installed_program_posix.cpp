#include <QDir>

#include "window/protocol/installed_program.h"
#include "window/protocol/program_files.h"

namespace tarvelo::window {

// Installed as <prefix>/bin/Tarvelo with its data in <prefix>/share/tarvelo.
bool runsInstalled(const QString& executableDir) { return QDir(installedDataDir(executableDir)).exists(); }

}  // namespace tarvelo::window
