#pragma once

#include <string>

namespace tarvelo::link {

// The system's own text, in UTF-8, for an error code of the serial port's system calls:
// errno on POSIX, GetLastError() on Windows (from the system in its language). One file a
// system: system_error_text_posix.cpp, system_error_text_win32.cpp.
std::string systemErrorText(int systemError);

}  // namespace tarvelo::link
