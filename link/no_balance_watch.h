#pragma once

#include <cstdint>

#include "clock.h"

namespace tarvelo::link {

// The no-balance rule: more than 15 s since the last sign of life of the balance
// (the weighing start, then every reading taken).
class NoBalanceWatch {
 public:
  static constexpr uint32_t kLimitMs = 15000;

  explicit NoBalanceWatch(Clock& clock) : clock_(clock), lastSignOfLife_(clock.tickCount()) {}

  void signOfLife() { lastSignOfLife_ = clock_.tickCount(); }
  bool expired() const { return clock_.tickCount() - lastSignOfLife_ > kLimitMs; }

 private:
  Clock& clock_;
  uint32_t lastSignOfLife_;
};

}  // namespace tarvelo::link
