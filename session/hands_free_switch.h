#pragma once

#include <optional>

namespace tarvelo::session {

// Whether hands-free weighing is armed, and what follows from it: the stored choice, the
// start-up switch that arms it for one start only, a start when the window first shows,
// and the effect of the options dialog on a run that watches the pan.
class HandsFreeSwitch {
 public:
  // The stored choice; `forThisStart` arms it for this start of the program only.
  void restore(bool storedOn, bool forThisStart);
  // The operator's choice to keep, not a choice made for this start only.
  bool storedChoice() const { return storedOn_.value_or(armed_); }

  bool armed() const { return armed_; }
  // The window shows for the first time: an armed run watches the pan from the start,
  // unless the program logs in hidden mode.
  bool startsWhenShown(bool hiddenMode) const { return armed_ && !hiddenMode; }
  // "OK" in the options dialog: the operator's choice from now on.
  void choose(bool on);
  // The options dialog closed; whether a run starts again: an accepted dialog starts one
  // when armed, a cancelled one brings back the run it interrupted.
  bool startsAfterOptions(bool accepted, bool wasWatching) const { return accepted ? armed_ : wasWatching; }

 private:
  bool armed_ = false;
  // The stored choice while the start's own choice is armed.
  std::optional<bool> storedOn_;
};

}  // namespace tarvelo::session
