#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>
#include "session/hands_free_switch.h"
#include "settings/settings_store.h"

namespace Ui {
class TMainForm;
}

namespace tarvelo::window {

class HandsFreePanel;
class JournalPanel;
class TagReaderPanel;
class LabServerPanel;
struct WindowPlaces;

// Where the stored values live while the program runs: the main window's controls, the
// options' own panels, the hands-free switch and the places of the windows it opens.
struct SettingHolders {
  Ui::TMainForm& ui;
  HandsFreePanel& handsFreePanel;
  session::HandsFreeSwitch& handsFree;
  JournalPanel& journalPanel;
  TagReaderPanel& tagReaderPanel;
  LabServerPanel& labServerPanel;
  WindowPlaces& places;
  // Hands-free weighing armed for this start only, whatever is stored.
  bool handsFreeForThisStart = false;
};

// A stored value: a flag, a number or a text, as the settings store keeps them.
using SettingValue = std::variant<uint8_t, int32_t, std::string>;

// One stored setting: its name, its kind and default (the default's alternative), how
// start-up shows it in the form, and how shutdown takes it from the form. A row without
// `show` is only written; `take` gives nothing for a field whose text cannot be stored.
struct SettingRow {
  std::string_view name;
  SettingValue defaultValue;
  void (*show)(SettingHolders& holders, const SettingValue& value);
  std::optional<SettingValue> (*take)(const SettingHolders& holders);
};

// Every stored setting, in the order start-up reads them: a later
// row may override what an earlier control's handler did.
const std::vector<SettingRow>& settingsTable();

// Reads every row from the store into its holder, in the table's order.
void restoreSettings(const settings::SettingsStore& store, SettingHolders& holders);
// Writes every row its holder can give into the store.
void storeSettings(settings::SettingsStore& store, const SettingHolders& holders);

}  // namespace tarvelo::window
