#pragma once

#include <optional>
#include <string_view>

#include "com_port_link.h"
#include "pty_device.h"

namespace tarvelo::balance_sim {

// An animal tag reader on a pseudo-terminal of its own, linked as COM port `com`. It can
// be unplugged, which closes its terminal and removes the link as a USB adapter's device
// goes, and plugged in again: a new terminal at the same COM link.
class TagReaderDevice {
 public:
  explicit TagReaderDevice(int com);  // plugged in; throws like PtyDevice and ComPortLink

  void plug();
  void unplug();

  // Prints `text` as the reader does, while the program holds the port open at the reader's
  // speed; otherwise it is lost, as on a line nobody reads.
  void send(std::string_view text) const;

  // The terminal while plugged in; empty while unplugged.
  std::string slavePath() const { return pty_ ? pty_->slavePath() : std::string(); }

 private:
  int com_;
  // The link goes before its terminal.
  std::optional<PtyDevice> pty_;
  std::optional<ComPortLink> link_;
};

}  // namespace tarvelo::balance_sim
