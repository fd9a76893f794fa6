#include "tests/support/pseudo_terminal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "link/com_port_path.h"
#include "tests/support/simulator_process.h"

namespace tarvelo::testing {

PseudoTerminal::PseudoTerminal(int com) : com_(com) {
  privateConfigHome();
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  grantpt(master_);
  unlockpt(master_);
  std::filesystem::create_directories(link::comPortLinkDir());
  std::filesystem::remove(link::comPortLinkPath(com_));
  std::filesystem::create_symlink(ptsname(master_), link::comPortLinkPath(com_));
}

PseudoTerminal::~PseudoTerminal() {
  closeMaster();
  std::filesystem::remove(link::comPortLinkPath(com_));
}

bool PseudoTerminal::send(std::initializer_list<uint8_t> bytes) {
  const std::vector<uint8_t> data(bytes);
  return write(master_, data.data(), data.size()) == static_cast<ssize_t>(data.size());
}

void PseudoTerminal::closeMaster() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

speed_t PseudoTerminal::slaveSpeed() const {
  termios tio{};
  tcgetattr(master_, &tio);
  return cfgetospeed(&tio);
}

}  // namespace tarvelo::testing
