#pragma once

#include <cstdio>
#include <filesystem>

namespace tarvelo::reports {

// std::fopen for any file name: through the wide name on Windows, so a Cyrillic name
// works whatever the ANSI code page. One file a system: open_file_posix.cpp,
// open_file_win32.cpp.
std::FILE* openFile(const std::filesystem::path& file, const char* mode);

}  // namespace tarvelo::reports
