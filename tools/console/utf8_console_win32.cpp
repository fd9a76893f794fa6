#include <windows.h>

#include "tools/console/utf8_console.h"

namespace tarvelo::console {

Utf8Console::Utf8Console() : previousCodePage_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }

Utf8Console::~Utf8Console() {
  if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
}

}  // namespace tarvelo::console
