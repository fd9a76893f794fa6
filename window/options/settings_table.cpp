#include "window/options/settings_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

#include "session/hands_free_switch.h"
#include "window/options/hands_free_panel.h"
#include "window/options/journal_panel.h"
#include "window/options/lab_server_panel.h"
#include "window/options/tag_reader_panel.h"
#include "window/widgets/radio_group.h"
#include "window/widgets/window_place.h"
#include "settings/settings_store.h"
#include "ui_main_form.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"
#include "weighing/weighing_inputs.h"

namespace tarvelo::window {

namespace {

constexpr uint8_t kOn = 1;
constexpr uint8_t kOff = 0;
constexpr int32_t kDefaultStatisticsWindow = 100;
constexpr int32_t kDefaultAveragingTime = 6;

uint8_t flagOf(bool on) { return on ? kOn : kOff; }
bool isOn(const SettingValue& value) { return std::get<uint8_t>(value) != kOff; }
int32_t numberOf(const SettingValue& value) { return std::get<int32_t>(value); }
QString textOf(const SettingValue& value) { return QString::fromStdString(std::get<std::string>(value)); }
std::optional<SettingValue> text(const QString& value) { return SettingValue(value.toStdString()); }

// The widget's own enabled state, whatever its parents' (the window may be disabled
// by a confirmation when it closes).
bool ownEnabled(const QWidget* widget) { return !widget->testAttribute(Qt::WA_Disabled); }

bool ticked(const SettingHolders& held, int item) { return held.ui.FCheck->item(item)->checkState() == Qt::Checked; }
void tick(SettingHolders& held, int item, bool on) { held.ui.FCheck->item(item)->setCheckState(on ? Qt::Checked : Qt::Unchecked); }

// A number kept as a field's text; a text that is not a whole number is not stored.
std::optional<SettingValue> wholeNumber(const QString& value) {
  try {
    return SettingValue(static_cast<int32_t>(weighing::parseInteger(value.toStdString())));
  } catch (const weighing::ConversionError&) {
    return std::nullopt;
  }
}

// Rows that bind a stored value to one property of one control.
template <auto Control>
SettingRow checked(std::string_view name, uint8_t fallback) {
  return {name, fallback, [](SettingHolders& held, const SettingValue& v) { (held.ui.*Control)->setChecked(isOn(v)); },
          [](const SettingHolders& held) -> std::optional<SettingValue> { return flagOf((held.ui.*Control)->isChecked()); }};
}

template <auto Control>
SettingRow enabled(std::string_view name) {
  return {name, kOff, [](SettingHolders& held, const SettingValue& v) { (held.ui.*Control)->setEnabled(isOn(v)); },
          [](const SettingHolders& held) -> std::optional<SettingValue> { return flagOf(ownEnabled(held.ui.*Control)); }};
}

template <auto Control>
SettingRow textOfField(std::string_view name, const char* fallback) {
  return {name, std::string(fallback), [](SettingHolders& held, const SettingValue& v) { (held.ui.*Control)->setText(textOf(v)); },
          [](const SettingHolders& held) { return text((held.ui.*Control)->text()); }};
}

// Where the user left a window; nothing stored puts it in the middle of the screen.
template <auto Place>
SettingRow placeOf(std::string_view name) {
  return {name, std::string(), [](SettingHolders& held, const SettingValue& v) { (held.places.*Place).restore(std::get<std::string>(v)); },
          [](const SettingHolders& held) -> std::optional<SettingValue> { return (held.places.*Place).text(); }};
}

// The recorded fields whose tick is stored; the time is always recorded, stability and
// statistics never at start.
template <int Item>
SettingRow storedTick(std::string_view name) {
  return {name, kOn, [](SettingHolders& held, const SettingValue& v) { tick(held, Item, isOn(v)); },
          [](const SettingHolders& held) -> std::optional<SettingValue> { return flagOf(ticked(held, Item)); }};
}

template <int Item, bool On>
SettingRow fixedTick(std::string_view name) {
  return {name, flagOf(On), [](SettingHolders& held, const SettingValue&) { tick(held, Item, On); },
          [](const SettingHolders&) -> std::optional<SettingValue> { return flagOf(On); }};
}

std::vector<SettingRow> makeTable() {
  return {
      checked<&Ui::TMainForm::FastWrite>("HideProfile", kOff),
      checked<&Ui::TMainForm::StabCB>("StabCB", kOn),
      checked<&Ui::TMainForm::DStabCB>("DStabCB", kOff),
      checked<&Ui::TMainForm::MWeightCB>("MWeightCB", kOn),
      checked<&Ui::TMainForm::MinWCB>("MinWCB", kOff),
      enabled<&Ui::TMainForm::MDLabel>("MDLabel"),
      enabled<&Ui::TMainForm::DWTime>("DWTime"),
      enabled<&Ui::TMainForm::MaxDW>("MaxDW"),
      enabled<&Ui::TMainForm::MaxDif>("MaxDif"),
      enabled<&Ui::TMainForm::WorkTime>("WorkTime"),
      storedTick<weighing::ItemRecordNumber>("FCLB(0)"),
      fixedTick<weighing::ItemTime, true>("FCLB(1)"),
      storedTick<weighing::ItemWeight>("FCLB(2)"),
      storedTick<weighing::ItemUnit>("FCLB(3)"),
      fixedTick<weighing::ItemStability, false>("FCLB(4)"),
      fixedTick<weighing::ItemStatistics, false>("FCLB(5)"),
      checked<&Ui::TMainForm::ChBox2>("bNumOfWeighings", kOff),
      checked<&Ui::TMainForm::ChBox1>("bTimeOfWeighing", kOff),
      SettingRow{"SizeOfMassive", kDefaultStatisticsWindow,
                 [](SettingHolders& held, const SettingValue& v) { held.ui.SizeEdit->setText(QString::number(numberOf(v))); },
                 [](const SettingHolders& held) { return wholeNumber(held.ui.SizeEdit->text()); }},
      SettingRow{"FileType", int32_t{0}, [](SettingHolders& held, const SettingValue& v) { setRadioIndex(held.ui.RGr1, numberOf(v)); },
                 [](const SettingHolders& held) -> std::optional<SettingValue> { return int32_t{radioIndex(held.ui.RGr1)}; }},
      SettingRow{"DiffType", int32_t{0}, [](SettingHolders& held, const SettingValue& v) { setRadioIndex(held.ui.RGr2, numberOf(v)); },
                 [](const SettingHolders& held) -> std::optional<SettingValue> { return int32_t{radioIndex(held.ui.RGr2)}; }},
      SettingRow{"COM", int32_t{0},
                 [](SettingHolders& held, const SettingValue& v) {
                   const int port = numberOf(v);
                   held.ui.ComCB->setCurrentIndex(port >= 0 && port < held.ui.ComCB->count() ? port : -1);
                 },
                 [](const SettingHolders& held) -> std::optional<SettingValue> { return int32_t{held.ui.ComCB->currentIndex()}; }},
      // A stored averaging time that is not in the list gives the default, not the layout's item.
      SettingRow{"WPeriod", kDefaultAveragingTime,
                 [](SettingHolders& held, const SettingValue& v) {
                   const QString period = QString::number(numberOf(v));
                   held.ui.cbWTime->setCurrentText(held.ui.cbWTime->findText(period) >= 0 ? period
                                                                                : QString::number(kDefaultAveragingTime));
                 },
                 [](const SettingHolders& held) { return wholeNumber(held.ui.cbWTime->currentText()); }},
      textOfField<&Ui::TMainForm::ePerson>("ePerson", ""),
      textOfField<&Ui::TMainForm::eUnit>("eUnit", ""),
      // Written for other programs that read these settings; start-up always begins with "0".
      SettingRow{"GetInfPeriod", std::string("0"), nullptr,
                 [](const SettingHolders& held) { return text(held.ui.ComboBox1->currentText()); }},
      textOfField<&Ui::TMainForm::MaxDW>("strMaxDW", "0,001"),
      textOfField<&Ui::TMainForm::DWTime>("strDWTime", "1"),
      textOfField<&Ui::TMainForm::MinimW>("MinimWeight", "0,001"),
      textOfField<&Ui::TMainForm::FileNameEdit>("SpeedWorkFileName", "RS232.txt"),
      textOfField<&Ui::TMainForm::NumberWeightTime>("NumberWeightTime", "100"),
      textOfField<&Ui::TMainForm::WorkTime>("strWorkTime", "10"),
      textOfField<&Ui::TMainForm::MaxDif>("MaxDifWeight", "0,001"),
      SettingRow{"AutoWeighingThreshold", std::string(HandsFreePanel::kDefaultThreshold),
                 [](SettingHolders& held, const SettingValue& v) { held.handsFreePanel.threshold().setText(textOf(v)); },
                 [](const SettingHolders& held) { return text(held.handsFreePanel.threshold().text()); }},
      SettingRow{"AutoWeighingPause", std::string(HandsFreePanel::kDefaultPause),
                 [](SettingHolders& held, const SettingValue& v) { held.handsFreePanel.pause().setText(textOf(v)); },
                 [](const SettingHolders& held) { return text(held.handsFreePanel.pause().text()); }},
      // The operator's choice; a start may arm it for itself only.
      SettingRow{"AutoWeighing", kOff,
                 [](SettingHolders& held, const SettingValue& v) {
                   held.handsFree.restore(isOn(v), held.handsFreeForThisStart);
                   held.handsFreePanel.setOn(held.handsFree.armed());
                 },
                 [](const SettingHolders& held) -> std::optional<SettingValue> { return flagOf(held.handsFree.storedChoice()); }},
      SettingRow{"JournalAlertShare", std::string(JournalPanel::kDefaultShare),
                 [](SettingHolders& held, const SettingValue& v) { held.journalPanel.share().setText(textOf(v)); },
                 [](const SettingHolders& held) { return text(held.journalPanel.share().text()); }},
      SettingRow{"JournalLimitShare", std::string(JournalPanel::kDefaultLimit),
                 [](SettingHolders& held, const SettingValue& v) { held.journalPanel.limit().setText(textOf(v)); },
                 [](const SettingHolders& held) { return text(held.journalPanel.limit().text()); }},
      SettingRow{"TagReaderCOM", int32_t{0},
                 [](SettingHolders& held, const SettingValue& v) { held.tagReaderPanel.setPort(numberOf(v)); },
                 [](const SettingHolders& held) -> std::optional<SettingValue> { return int32_t{held.tagReaderPanel.port()}; }},
      SettingRow{"TagReaderBaud", static_cast<int32_t>(TagReaderPanel::kDefaultBaud),
                 [](SettingHolders& held, const SettingValue& v) {
                   held.tagReaderPanel.setBaud(static_cast<std::uint32_t>(numberOf(v)));
                 },
                 [](const SettingHolders& held) -> std::optional<SettingValue> {
                   return static_cast<int32_t>(held.tagReaderPanel.baud());
                 }},
      SettingRow{"LabServer", std::string(),
                 [](SettingHolders& held, const SettingValue& v) {
                   held.labServerPanel.setServer(textOf(v));
                 },
                 [](const SettingHolders& held) { return text(held.labServerPanel.server()); }},
      // The name the server gives the station's login, shown until the server is asked again.
      SettingRow{"StationName", std::string(),
                 [](SettingHolders& held, const SettingValue& v) {
                   held.labServerPanel.setStation(textOf(v));
                 },
                 [](const SettingHolders& held) { return text(held.labServerPanel.station()); }},
      placeOf<&WindowPlaces::graph>("GraphWindowPlace"),
      placeOf<&WindowPlaces::journal>("JournalWindowPlace"),
      placeOf<&WindowPlaces::options>("OptionsWindowPlace"),
  };
}

SettingValue read(const settings::SettingsStore& store, const SettingRow& row) {
  const std::string name(row.name);
  return std::visit(
      [&store, &name](const auto& fallback) -> SettingValue {
        using Kind = std::decay_t<decltype(fallback)>;
        if constexpr (std::is_same_v<Kind, uint8_t>) return store.ReadFlag(name, fallback);
        if constexpr (std::is_same_v<Kind, int32_t>) return store.ReadNumber(name, fallback);
        if constexpr (std::is_same_v<Kind, std::string>) return store.ReadText(name, fallback);
      },
      row.defaultValue);
}

void write(settings::SettingsStore& store, std::string_view name, const SettingValue& value) {
  const std::string key(name);
  std::visit(
      [&store, &key](const auto& v) {
        using Kind = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<Kind, uint8_t>) store.WriteFlag(key, v);
        if constexpr (std::is_same_v<Kind, int32_t>) store.WriteNumber(key, v);
        if constexpr (std::is_same_v<Kind, std::string>) store.WriteText(key, v);
      },
      value);
}

}  // namespace

const std::vector<SettingRow>& settingsTable() {
  static const std::vector<SettingRow> table = makeTable();
  return table;
}

void restoreSettings(const settings::SettingsStore& store, SettingHolders& holders) {
  for (const SettingRow& row : settingsTable()) {
    if (row.show != nullptr) row.show(holders, read(store, row));
  }
}

void storeSettings(settings::SettingsStore& store, const SettingHolders& holders) {
  for (const SettingRow& row : settingsTable()) {
    if (const auto value = row.take(holders)) write(store, row.name, *value);
  }
}

}  // namespace tarvelo::window
