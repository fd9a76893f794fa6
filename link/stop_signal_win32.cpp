#include <windows.h>

#include <chrono>

#include "stop_signal.h"

namespace tarvelo::link {

// Manual reset: the event stays signalled, waking every wait, until the signal is cleared.
StopSignal::StopSignal() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

StopSignal::~StopSignal() {
  if (event_ != nullptr) CloseHandle(event_);
}

void StopSignal::raise() {
  raised_.store(true, std::memory_order_release);
  if (event_ != nullptr) SetEvent(event_);
}

void StopSignal::clear() {
  if (event_ != nullptr) ResetEvent(event_);
  raised_.store(false, std::memory_order_release);
}

// A wait may end up to a timer tick early, so it waits again for what is left.
bool StopSignal::waitMs(uint32_t ms) const {
  using SteadyClock = std::chrono::steady_clock;
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(ms);
  while (!raised()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) return false;
    const auto leftMs = static_cast<DWORD>(left.count());
    if (event_ == nullptr) {
      Sleep(leftMs);
    } else {
      WaitForSingleObject(event_, leftMs);
    }
  }
  return true;
}

}  // namespace tarvelo::link
