#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Ui {
class TMainForm;
}

namespace tarvelo::app {

class SettingsStore;

// A stored value: a flag, a number or a text, as the settings store keeps them.
using SettingValue = std::variant<uint8_t, int32_t, std::string>;

// One stored setting: its name, its kind and default (the default's alternative), how
// start-up shows it in the form, and how shutdown takes it from the form. A row without
// `show` is only written; `take` gives nothing for a field whose text cannot be stored.
struct SettingRow {
  std::string_view name;
  SettingValue defaultValue;
  void (*show)(Ui::TMainForm& form, const SettingValue& value);
  std::optional<SettingValue> (*take)(const Ui::TMainForm& form);
};

// Every stored setting of the main window, in the order start-up reads them: a later
// row may override what an earlier control's handler did.
const std::vector<SettingRow>& settingsTable();

// Reads every row from the store into the form, in the table's order.
void restoreSettings(const SettingsStore& store, Ui::TMainForm& form);
// Writes every row the form can give into the store.
void storeSettings(SettingsStore& store, const Ui::TMainForm& form);

}  // namespace tarvelo::app
