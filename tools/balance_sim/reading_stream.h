#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

#include "reading.h"
#include "weight_source.h"

namespace tarvelo::balance_sim {

struct ReadingRules {
  unsigned unstableEvery = 0;      // every K-th reading is unstable; 0 = never
  double unstableStepGrams = 0.0;  // a jump larger than this is unstable; 0 = never
  unsigned corruptEvery = 0;       // every K-th reading goes out damaged; 0 = never
  unsigned silentAfter = 0;        // the balance goes mute after K readings; 0 = never
  std::chrono::milliseconds silentFor{0};  // and speaks again after this long; 0 = never
};

// Turns weights into readings with their stability and fault flags, and counts what was sent.
class ReadingStream {
 public:
  ReadingStream(std::unique_ptr<WeightSource> source, const ReadingRules& rules);

  Reading next();
  void reportSent();
  // Mute now: after `silentAfter` readings, for `silentFor`.
  bool silent();

 private:
  std::unique_ptr<WeightSource> source_;
  ReadingRules rules_;
  std::uint64_t taken_ = 0;
  std::uint64_t sent_ = 0;
  std::optional<double> previousGrams_;
  std::optional<std::chrono::steady_clock::time_point> silentUntil_;
};

}  // namespace tarvelo::balance_sim
