#pragma once

// An animal tag reader on a serial port: 8 data bits, no parity, 1 stop bit at the
// reader's baud rate. It prints each tag it reads as a line of text ending in CR, LF or
// CR LF (tag_number.h says what a tag line holds); a line that holds no tag is passed over.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "stop_signal.h"

namespace tarvelo::link {

// A port that did not open, or a reader that went away, is tried again this often.
inline constexpr uint32_t kTagReaderSearchIntervalMs = 2000;

// One tag as the reader gave it.
struct TagRead {
  std::string number;                          // the 15 digits
  std::chrono::steady_clock::time_point time;  // when its line ended
};

enum class TagReaderState {
  Reading,     // the port is open and its lines are read
  CannotOpen,  // the port did not open or refused the settings; tried again
  Lost,        // the reader went away (unplugged) after it was read; searched again
};

struct TagReaderStatus {
  TagReaderState state = TagReaderState::Reading;
  std::string failure;  // CannotOpen: the system's text for why, UTF-8

  bool operator==(const TagReaderStatus&) const = default;
};

// What the reader hears of; any of them may be left empty. They are called on the
// reader's own thread, one at a time, never on the thread that started it: hand what
// they get over to where it is used, and never call stop() from them.
struct TagReaderEvents {
  std::function<void(const TagRead&)> tag;
  std::function<void(const TagReaderStatus&)> status;  // at the start and on each change
  std::function<void(const std::string&)> otherLine;   // a line with no tag in it, as received
};

// Reads the tag reader on COM port `port` on a thread of its own, from start() to
// stop(). A port that does not open, or a reader that goes away, is tried again until it
// is back; nothing else ever waits for it.
class TagReader {
 public:
  TagReader(int port, uint32_t baud, TagReaderEvents events);
  ~TagReader();  // stops
  TagReader(const TagReader&) = delete;
  TagReader& operator=(const TagReader&) = delete;

  // Starts the thread; one that runs is stopped first.
  void start();
  // Wakes the thread from any wait and returns once it has ended and closed the port.
  void stop();

 private:
  void run();
  void report(const TagReaderStatus& status);
  void deliver(const std::string& line, bool spoiled);

  int port_;
  uint32_t baud_;
  TagReaderEvents events_;
  std::optional<TagReaderStatus> reported_;  // the reader thread's own
  StopSignal stop_;
  std::thread thread_;
};

}  // namespace tarvelo::link
