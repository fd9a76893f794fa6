#include "com_port_link.h"

#include <system_error>

#include "link/com_port_path.h"
#include "link/serial_devices.h"

namespace tarvelo::balance_sim {

namespace fs = std::filesystem;

ComPortLink::ComPortLink(int portNumber, const fs::path& slavePath)
    : link_(link::comPortLinkPath(portNumber)), target_(slavePath) {
  if (const std::error_code error = link::linkComPort(portNumber, slavePath)) {
    throw fs::filesystem_error("cannot link the port", link_, error);
  }
}

ComPortLink::~ComPortLink() {
  std::error_code error;
  if (fs::read_symlink(link_, error) == target_ && !error) fs::remove(link_, error);
}

}  // namespace tarvelo::balance_sim
