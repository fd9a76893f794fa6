#pragma once

#include <poll.h>
#include <termios.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarvelo::balance_sim {

// The balance end (master) of a pseudo-terminal; the program under test opens the slave.
class PtyDevice {
 public:
  PtyDevice();  // throws std::system_error
  ~PtyDevice();
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  const std::string& slavePath() const { return slavePath_; }

  // Ready to read when the program writes, closes the slave, or (while closed) always.
  std::array<pollfd, 2> readWatch() const;

  // True while some process holds the slave open.
  bool slaveOpen() const;

  // True if the program closed the slave since the last dropUnreadOutput(), even if it has
  // opened it again already (POLLHUP only shows while the slave stays closed).
  bool slaveWasClosed() const;

  // The output speed the program set on the slave.
  speed_t slaveSpeed() const;

  // Bytes the program wrote; empty when there are none.
  std::vector<std::uint8_t> readInput() const;

  // Sends a whole frame; drops it if the slave went away (EIO) or stays full.
  void writeFrame(std::span<const std::uint8_t> frame) const;

  // Drops what was sent but not read before the slave was closed, as a serial port does on
  // close. Opening and closing the slave also makes the master report POLLHUP, which a fresh
  // pair does not do before its first slave close.
  void dropUnreadOutput() const;

 private:
  int master_ = -1;
  int closeWatch_ = -1;  // inotify on the slave node; -1 if unavailable
  mutable bool closeSeen_ = false;
  std::string slavePath_;
};

}  // namespace tarvelo::balance_sim
