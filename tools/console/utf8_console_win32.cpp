#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "tools/console/utf8_console.h"

namespace tarvelo::console {

Utf8Console::Utf8Console() : previousCodePage_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }

Utf8Console::~Utf8Console() {
  if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

void binaryStandardOutput() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace tarvelo::console
