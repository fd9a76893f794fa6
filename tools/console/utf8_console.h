#pragma once

namespace tarvelo::console {

// For the life of this object a Windows console shows standard output's UTF-8 lines as
// such, and gets its own code page back afterwards; nothing to do elsewhere. One file a
// system: utf8_console_posix.cpp, utf8_console_win32.cpp.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  unsigned previousCodePage_ = 0;
};

// Bytes written to standard output go out as they are: Windows no longer turns "\n"
// into "\r\n", so a text with its own line ends keeps them.
void binaryStandardOutput();

}  // namespace tarvelo::console
