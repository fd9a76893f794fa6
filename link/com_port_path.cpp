#include "com_port_path.h"

#include "config_home.h"

#include <string>
#include <system_error>

namespace tarvelo::link {

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
