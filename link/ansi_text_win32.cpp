#include "ansi_text.h"

#include <windows.h>

#include "wide_text.h"

namespace tarvelo::link {

// Re-encoded through UTF-16, the one encoding both code pages convert to and from.
std::string toAnsiText(std::string_view utf8) { return narrowText(wideText(utf8), CP_ACP); }
std::string fromAnsiText(std::string_view ansi) { return narrowText(wideText(ansi, CP_ACP)); }

}  // namespace tarvelo::link
