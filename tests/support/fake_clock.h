#pragma once

#include <atomic>
#include <cstdint>

#include "link/clock.h"

namespace tarvelo::testing {

// A clock that moves only when told to, or when someone sleeps on it.
class FakeClock final : public link::Clock {
 public:
  explicit FakeClock(uint32_t start = 1'000'000) : now_(start) {}
  uint32_t tickCount() override { return now_; }
  void sleepMs(uint32_t ms) override { now_ += ms; }
  void advance(uint32_t ms) { now_ += ms; }
  void set(uint32_t tick) { now_ = tick; }

 private:
  std::atomic<uint32_t> now_;
};

}  // namespace tarvelo::testing
