#include "com_port_path.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace tarvelo::link {

namespace {

std::filesystem::path configHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
    return xdg;
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "/") / ".config";
}

}  // namespace

std::filesystem::path comPortLinkDir() { return configHome() / "Korvane" / "Tarvelo" / "ports"; }

std::filesystem::path comPortLinkPath(int portNumber) {
  return comPortLinkDir() / ("COM" + std::to_string(portNumber));
}

std::filesystem::path comPortDevice(int portNumber) {
  std::error_code ec;
  auto link = comPortLinkPath(portNumber);
  if (std::filesystem::is_symlink(link, ec)) return link;
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

}  // namespace tarvelo::link
