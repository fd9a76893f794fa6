#include "clock.h"

#include <chrono>
#include <thread>

namespace tarvelo::link {

namespace {

class SystemClock final : public Clock {
 public:
  uint32_t tickCount() override {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
  }
  void sleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

Clock& systemClock() {
  static SystemClock clock;
  return clock;
}

}  // namespace tarvelo::link
