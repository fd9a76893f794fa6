#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "stop_signal.h"

namespace tarvelo::link {

StopSignal::StopSignal() : eventFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

StopSignal::~StopSignal() {
  if (eventFd_ >= 0) close(eventFd_);
}

void StopSignal::raise() {
  raised_.store(true, std::memory_order_release);
  const uint64_t one = 1;
  // A full counter only means the signal is already raised: nothing to handle.
  if (eventFd_ >= 0) static_cast<void>(write(eventFd_, &one, sizeof one) > 0);
}

void StopSignal::clear() {
  uint64_t count = 0;
  // Nothing to read means the signal was not raised: nothing to handle.
  if (eventFd_ >= 0) static_cast<void>(read(eventFd_, &count, sizeof count) > 0);
  raised_.store(false, std::memory_order_release);
}

}  // namespace tarvelo::link
