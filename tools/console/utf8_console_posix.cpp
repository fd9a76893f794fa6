#include "tools/console/utf8_console.h"

namespace tarvelo::console {

// A POSIX terminal takes the locale's encoding, UTF-8 here.
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

// Standard output is bytes already.
void binaryStandardOutput() {}

}  // namespace tarvelo::console
