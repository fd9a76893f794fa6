#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

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

bool StopSignal::waitMs(uint32_t ms) const {
  using SteadyClock = std::chrono::steady_clock;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(ms);
  if (eventFd_ < 0) {
    std::this_thread::sleep_until(deadline);
    return raised();
  }
  while (!raised()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) return false;
    pollfd event{eventFd_, POLLIN, 0};
    if (poll(&event, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
      std::this_thread::sleep_until(deadline);
    }
  }
  return true;
}

}  // namespace tarvelo::link
