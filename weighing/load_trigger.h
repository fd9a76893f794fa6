#pragma once

#include <cstdint>
#include <optional>

namespace tarvelo::weighing {

// Hands-free weighing: decides from the balance's fresh readings when a weighing starts,
// which readings it records, and when the next one may start. A load at or above the
// threshold starts a weighing; the next is armed only once every reading for the pause
// after the load's last one was below the threshold, so one animal never gives two
// results. The first is armed by the first reading of an empty pan.
class LoadTrigger {
 public:
  enum class State {
    WaitingForLoad,   // armed
    Weighing,         // recording the load's readings
    WaitingForEmpty,  // a weighing ended; the pan must be emptied for the pause
  };

  // What to do with a reading.
  enum class Action {
    Ignore,
    StartWeighing,  // a load arrived: a weighing starts; the reading itself is not recorded
    Record,         // a reading of the load under weighing
    DropWeighing,   // the load left before its weighing was complete: nothing is recorded
  };

  LoadTrigger(double thresholdGrams, int64_t emptyPauseMs);

  // A fresh reading of `grams` at `nowMs`, any steady time in milliseconds.
  Action onReading(double grams, int64_t nowMs);
  // The weighing under way is complete.
  void weighingDone();

  State state() const { return state_; }
  // The last weighing lost its load before it was complete; until the next one starts.
  bool loadLeftEarly() const { return loadLeftEarly_; }

 private:
  bool loaded(double grams) const { return grams >= thresholdGrams_; }

  double thresholdGrams_;
  int64_t emptyPauseMs_;
  // Armed by the first empty pan: a load already there when watching starts is not weighed.
  State state_ = State::WaitingForEmpty;
  std::optional<int64_t> lastLoadedMs_;
  bool loadLeftEarly_ = false;
};

}  // namespace tarvelo::weighing
