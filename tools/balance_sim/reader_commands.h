#pragma once

#include <poll.h>

#include <string>
#include <string_view>

#include "tag_reader_device.h"

namespace tarvelo::balance_sim {

// The tag reader driven by hand, one command a line on standard input:
//   tag DIGITS   the reader reads the tag of these 15 digits
//   line TEXT    the reader prints TEXT as it is, \r and \n standing for CR and LF
//   unplug       the reader is unplugged
//   plug         the reader is plugged in again
// A line it does not know is named on standard error and skipped.
class ReaderCommands {
 public:
  explicit ReaderCommands(TagReaderDevice& reader) : reader_(reader) {}

  // Readable when commands arrive; watches nothing once standard input has ended.
  pollfd watch() const;
  // Runs the whole lines that have arrived, without waiting for more.
  void runArrived();

 private:
  void run(std::string_view command);

  TagReaderDevice& reader_;
  std::string pending_;  // what came after the last whole line
  bool ended_ = false;
};

}  // namespace tarvelo::balance_sim
