#pragma once

#include <cstdio>
#include <filesystem>

#include "link/failure.h"

namespace tarvelo::reports {

// std::fopen for any file name: through the wide name on Windows, so a Cyrillic name
// works whatever the ANSI code page. One file a system: open_file_posix.cpp,
// open_file_win32.cpp.
std::FILE* openFile(const std::filesystem::path& file, const char* mode);

// The failure of the file call that has just failed: errno on POSIX; on Windows the
// system's own code behind it, whose text the system gives in its own language (the C
// runtime's text for errno is English). Take it before any other call.
link::Failure lastFileFailure();

}  // namespace tarvelo::reports
