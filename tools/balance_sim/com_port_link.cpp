#include "com_port_link.h"

#include <unistd.h>

#include <string>
#include <system_error>

#include "link/com_port_path.h"

namespace tarvelo::sim {

namespace fs = std::filesystem;

ComPortLink::ComPortLink(int portNumber, const fs::path& slavePath)
    : link_(link::comPortLinkPath(portNumber)), target_(slavePath) {
  fs::create_directories(link::comPortLinkDir());
  if (fs::exists(fs::symlink_status(link_)) && !fs::is_symlink(fs::symlink_status(link_))) {
    throw fs::filesystem_error("not replacing, it is not a symbolic link", link_,
                               std::make_error_code(std::errc::file_exists));
  }
  // Build the new link aside and rename it over the old one, so the port never disappears.
  fs::path pending = link_;
  pending += ".new" + std::to_string(getpid());
  fs::remove(pending);
  fs::create_symlink(target_, pending);
  fs::rename(pending, link_);
}

ComPortLink::~ComPortLink() {
  std::error_code error;
  if (fs::read_symlink(link_, error) == target_ && !error) fs::remove(link_, error);
}

}  // namespace tarvelo::sim
