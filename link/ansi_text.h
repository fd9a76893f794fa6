#pragma once

#include <string>
#include <string_view>

namespace tarvelo::link {

// Texts are UTF-8 inside the program. Text files and the registry of Windows hold the
// ANSI code page (Windows-1251 on a Russian system), where a character the code page
// lacks becomes Windows' closest letter ("ä" gives "a") or "?"; on other systems the
// 8-bit encoding is UTF-8 and texts pass as they are. One file a system:
// ansi_text_posix.cpp, ansi_text_win32.cpp.
std::string toAnsiText(std::string_view utf8);
std::string fromAnsiText(std::string_view ansi);

}  // namespace tarvelo::link
