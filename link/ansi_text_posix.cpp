#include "ansi_text.h"

namespace tarvelo::link {

std::string toAnsiText(std::string_view utf8) { return std::string(utf8); }
std::string fromAnsiText(std::string_view ansi) { return std::string(ansi); }

}  // namespace tarvelo::link
