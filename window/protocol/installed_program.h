#pragma once

#include <QString>

namespace tarvelo::window {

// Whether the program in `executableDir` runs installed, so that its own files are the
// system's and the user's protocols go to the user's documents. One file a system:
// installed_program_posix.cpp, installed_program_win32.cpp.
bool runsInstalled(const QString& executableDir);

}  // namespace tarvelo::window
