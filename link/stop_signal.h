#pragma once

#include <atomic>
#include <cstdint>

namespace tarvelo::link {

// Raised to end a run: it wakes a port wait at once, so a thread blocked in a
// one-second read time-out (or a 32-attempt synchronisation) stops promptly.
class StopSignal {
 public:
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  void raise();
  void clear();
  bool raised() const { return raised_.load(std::memory_order_acquire); }
  // Pauses for `ms`, or less when the signal is raised meanwhile. True when raised.
  bool waitMs(uint32_t ms) const;

#ifndef _WIN32
  // Readable while the signal is raised; a port back end polls it with its device.
  int waitFd() const { return eventFd_; }
#endif

 private:
  std::atomic<bool> raised_{false};
#ifndef _WIN32
  int eventFd_ = -1;
#endif
};

}  // namespace tarvelo::link
