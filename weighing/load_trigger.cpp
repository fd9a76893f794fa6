#include "load_trigger.h"

namespace tarvelo::weighing {

LoadTrigger::LoadTrigger(double thresholdGrams, int64_t emptyPauseMs)
    : thresholdGrams_(thresholdGrams), emptyPauseMs_(emptyPauseMs) {}

LoadTrigger::Action LoadTrigger::onReading(double grams, int64_t nowMs) {
  const bool load = loaded(grams);
  const std::optional<int64_t> loadedBefore = lastLoadedMs_;
  if (load) lastLoadedMs_ = nowMs;
  switch (state_) {
    case State::WaitingForLoad:
      if (!load) return Action::Ignore;
      state_ = State::Weighing;
      loadLeftEarly_ = false;
      return Action::StartWeighing;
    case State::Weighing:
      if (load) return Action::Record;
      state_ = State::WaitingForEmpty;
      loadLeftEarly_ = true;
      return Action::DropWeighing;
    case State::WaitingForEmpty:
      // The pan emptied after the last reading of a load: every reading since was below.
      if (!load && (!loadedBefore || nowMs - *loadedBefore >= emptyPauseMs_))
        state_ = State::WaitingForLoad;
      return Action::Ignore;
  }
  return Action::Ignore;
}

void LoadTrigger::weighingDone() { state_ = State::WaitingForEmpty; }

}  // namespace tarvelo::weighing
