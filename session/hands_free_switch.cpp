#include "session/hands_free_switch.h"

namespace tarvelo::session {

void HandsFreeSwitch::restore(bool storedOn, bool forThisStart) {
  armed_ = storedOn;
  storedOn_.reset();
  if (forThisStart) {
    storedOn_ = armed_;
    armed_ = true;
  }
}

void HandsFreeSwitch::choose(bool on) {
  armed_ = on;
  storedOn_.reset();
}

}  // namespace tarvelo::session
