#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvelo::link {

// The time filter of the extra stability check: the last N readings with their
// tick times, N = trunc(window × 8) + 1. With the check on, a reading that moved
// more than the allowed change from a reading taken less than the window before it
// is marked unstable. The filter only ever clears the stable flag.
class StabilityHistory {
 public:
  // Windows beyond an hour are taken as an hour, so a mistyped window cannot
  // ask for an unbounded history.
  static constexpr float kMaxWindowSeconds = 3600.0f;

  StabilityHistory(float windowSeconds, double maxChange);

  // Records the reading taken at `tick`; with the check on, may clear `stable`.
  void apply(double weight, uint32_t tick, bool checkOn, uint8_t& stable);
  std::size_t size() const { return values_.size(); }

 private:
  std::vector<float> values_;
  std::vector<uint32_t> ticks_;
  uint32_t windowMs_;
  float threshold_;
};

}  // namespace tarvelo::link
