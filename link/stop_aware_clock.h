#pragma once

#include "clock.h"
#include "stop_signal.h"

namespace tarvelo::link {

// The system clock whose pauses end as soon as the run's stop signal is raised, so a
// stop never waits out a protocol's pause (the B probe pause, the TSK query pauses).
class StopAwareClock final : public Clock {
 public:
  explicit StopAwareClock(const StopSignal& stop) : stop_(stop) {}
  uint32_t tickCount() override { return systemClock().tickCount(); }
  void sleepMs(uint32_t ms) override { stop_.waitMs(ms); }

 private:
  const StopSignal& stop_;
};

}  // namespace tarvelo::link
