#pragma once

#include <cstdint>

namespace tarvelo::link {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick
// counter, and a sleep. Tests replace it so time-dependent rules run without waiting.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint32_t tickCount() = 0;
  virtual void sleepMs(uint32_t ms) = 0;
};

// The monotonic system clock.
Clock& systemClock();

}  // namespace tarvelo::link
