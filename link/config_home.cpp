#include "config_home.h"

#include <cstdlib>

namespace tarvelo::link {

std::filesystem::path configHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "/") / ".config";
}

}  // namespace tarvelo::link
