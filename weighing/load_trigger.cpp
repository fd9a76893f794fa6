#include "load_trigger.h"

namespace tarvelo::weighing {

LoadTrigger::LoadTrigger(double thresholdGrams, int64_t emptyPauseMs)
    : thresholdGrams_(thresholdGrams), emptyPauseMs_(emptyPauseMs) {}

LoadTrigger::Action LoadTrigger::onReading(double grams, int64_t nowMs) {
  switch (state_) {
    case State::WaitingForLoad:
      if (!loaded(grams)) return Action::Ignore;
      state_ = State::Weighing;
      return Action::StartWeighing;
    case State::Weighing:
      if (loaded(grams)) return Action::Record;
      state_ = State::WaitingForEmpty;
      emptySinceMs_ = nowMs;
      return Action::DropWeighing;
    case State::WaitingForEmpty:
      if (loaded(grams)) {
        emptySinceMs_.reset();
      } else if (!emptySinceMs_) {
        emptySinceMs_ = nowMs;
      }
      if (emptySinceMs_ && nowMs - *emptySinceMs_ >= emptyPauseMs_) {
        state_ = State::WaitingForLoad;
        emptySinceMs_.reset();
      }
      return Action::Ignore;
  }
  return Action::Ignore;
}

void LoadTrigger::weighingDone() {
  state_ = State::WaitingForEmpty;
  emptySinceMs_.reset();
}

}  // namespace tarvelo::weighing
