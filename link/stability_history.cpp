#include "stability_history.h"

#include <algorithm>
#include <cmath>

namespace tarvelo::link {

namespace {

constexpr float kSlotsPerSecond = 8.0f;
constexpr float kMsPerSecond = 1000.0f;

float boundedWindow(float seconds) {
  return std::isnan(seconds) ? 0.0f : std::clamp(seconds, 0.0f, StabilityHistory::kMaxWindowSeconds);
}

}  // namespace

StabilityHistory::StabilityHistory(float windowSeconds, double maxChange)
    : values_(static_cast<std::size_t>(boundedWindow(windowSeconds) * kSlotsPerSecond) + 1, 0.0f),
      ticks_(values_.size(), 0),
      windowMs_(static_cast<uint32_t>(boundedWindow(windowSeconds) * kMsPerSecond)),
      threshold_(static_cast<float>(maxChange)) {}

void StabilityHistory::apply(double weight, uint32_t tick, bool checkOn, uint8_t& stable) {
  const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(values_.size());
  std::shift_left(values_.begin(), values_.end(), 1);
  std::shift_left(ticks_.begin(), ticks_.end(), 1);
  values_[n - 1] = static_cast<float>(weight);
  ticks_[n - 1] = tick;
  if (!checkOn) return;

  // Newest first, from slot N-2 down; the walk never reaches slots 0 and 1 once N
  // is 4 or more. A slot as old as the window, or older, ends it (unsigned ticks wrap).
  for (std::ptrdiff_t i = 2; n - i >= 0; ++i) {
    if (ticks_[n - 1] - ticks_[n - i] >= windowMs_) return;
    if (std::fabs(values_[n - 1] - values_[n - i]) > threshold_) {
      stable = 0;
      return;
    }
    if (i + 1 == n - 1) return;
  }
}

}  // namespace tarvelo::link
