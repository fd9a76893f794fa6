#include <cstring>

#include "link/system_error_text.h"

namespace tarvelo::link {

std::string systemErrorText(int systemError) { return std::strerror(systemError); }

}  // namespace tarvelo::link
