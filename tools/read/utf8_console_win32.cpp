#include <windows.h>

#include "tools/read/utf8_console.h"

namespace tarvelo::read {

Utf8Console::Utf8Console() : previousCodePage_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }

Utf8Console::~Utf8Console() {
  if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

}  // namespace tarvelo::read
