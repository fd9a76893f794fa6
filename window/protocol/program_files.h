#pragma once

#include <QString>

namespace tarvelo::window {

// Where the program's own files are.

// The folder of an installed program's data, <prefix>/share/tarvelo for the executable
// <prefix>/bin/Tarvelo; it exists only when the program is installed.
QString installedDataDir(const QString& executableDir);

// The help document "Справка" opens: HELP.doc in the folder the program was started
// in; when it is not there, the one beside the executable, then the installed one in
// <prefix>/share/tarvelo (the executable being <prefix>/bin/Tarvelo). When none
// exists, the start folder's path, so the viewer names the file it missed.
QString helpFilePath(const QString& startupDir, const QString& executableDir);

}  // namespace tarvelo::window
