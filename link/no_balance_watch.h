#pragma once

#include <cstdint>

#include "clock.h"

namespace tarvelo::link {

// The no-balance rule: more than 15 s since the last sign of life of the balance
// (the weighing start, then every reading taken). A command-line check may ask for
// another limit.
class NoBalanceWatch {
 public:
  static constexpr uint32_t kLimitMs = 15000;

  explicit NoBalanceWatch(Clock& clock, uint32_t limitMs = kLimitMs)
      : clock_(clock), limitMs_(limitMs), lastSignOfLife_(clock.tickCount()) {}

  void signOfLife() { lastSignOfLife_ = clock_.tickCount(); }
  bool expired() const { return clock_.tickCount() - lastSignOfLife_ > limitMs_; }

 private:
  Clock& clock_;
  uint32_t limitMs_;
  uint32_t lastSignOfLife_;
};

}  // namespace tarvelo::link
