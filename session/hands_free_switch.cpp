#include "session/hands_free_switch.h"

#include <cstdint>

#include "settings/settings_store.h"

namespace tarvelo::app {

namespace {

constexpr char kOnName[] = "AutoWeighing";
constexpr uint8_t kOff = 0;
constexpr uint8_t kOn = 1;

}  // namespace

void HandsFreeSwitch::restore(const SettingsStore& store, bool forThisStart) {
  armed_ = store.ReadFlag(kOnName, kOff) != kOff;
  storedOn_.reset();
  if (forThisStart) {
    storedOn_ = armed_;
    armed_ = true;
  }
}

void HandsFreeSwitch::store(SettingsStore& store) const {
  store.WriteFlag(kOnName, storedOn_.value_or(armed_) ? kOn : kOff);
}

void HandsFreeSwitch::choose(bool on) {
  armed_ = on;
  storedOn_.reset();
}

}  // namespace tarvelo::app
