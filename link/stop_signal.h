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

#ifdef _WIN32
  // An event signalled while the signal is raised; a port back end waits on it with its transfer.
  void* waitHandle() const { return event_; }
#else
  // Readable while the signal is raised; a port back end polls it with its device.
  int waitFd() const { return eventFd_; }
#endif

 private:
  std::atomic<bool> raised_{false};
#ifdef _WIN32
  void* event_ = nullptr;
#else
  int eventFd_ = -1;
#endif
};

}  // namespace tarvelo::link
