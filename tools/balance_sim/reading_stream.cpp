#include "reading_stream.h"

#include <cmath>
#include <utility>

namespace tarvelo::balance_sim {

namespace {

bool isEveryKth(std::uint64_t ordinal, unsigned k) { return k != 0 && ordinal % k == 0; }

}  // namespace

ReadingStream::ReadingStream(std::unique_ptr<WeightSource> source, const ReadingRules& rules)
    : source_(std::move(source)), rules_(rules) {}

Reading ReadingStream::next() {
  ++taken_;
  const double grams = source_->nextGrams();
  const bool jumped = rules_.unstableStepGrams > 0.0 && previousGrams_.has_value() &&
                      std::abs(grams - *previousGrams_) > rules_.unstableStepGrams;
  previousGrams_ = grams;
  return Reading{.grams = grams,
                 .stable = !jumped && !isEveryKth(taken_, rules_.unstableEvery),
                 .corrupt = isEveryKth(taken_, rules_.corruptEvery)};
}

void ReadingStream::reportSent() { ++sent_; }

bool ReadingStream::silent() {
  if (rules_.silentAfter == 0 || sent_ < rules_.silentAfter) return false;
  if (rules_.silentFor.count() == 0) return true;
  const auto now = std::chrono::steady_clock::now();
  if (!silentUntil_) silentUntil_ = now + rules_.silentFor;
  return now < *silentUntil_;
}

}  // namespace tarvelo::balance_sim
