#include "window/main/run_start_reading.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <limits>

#include "session/decimal_separator.h"
#include "ui_main_form.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"
#include "window/options/hands_free_panel.h"
#include "window/main/period_texts.h"

namespace tarvelo::window {

namespace {

constexpr int kMinStatisticsWindow = 1;
constexpr int kMaxStatisticsWindow = 1000;
constexpr int kFewestLines = 1;
constexpr int kMostLines = std::numeric_limits<int>::max();
constexpr long long kShortestWorkTimeMs = 1;
// Beyond it the end of the run could not be counted.
constexpr double kLongestWorkTimeSeconds = 1e9;
constexpr double kMsPerSecond = 1000.0;
const QString kDefaultStatisticsWindow = QStringLiteral("100");

StartRefusal notANumber(const weighing::ConversionError& error, const QString& field = {}) {
  return {QMessageBox::Critical, session::notANumberText(QString::fromStdString(error.text()), field)};
}

// Says that a hidden run's limit lies outside [least, most].
StartRefusal limitRefused(const QCheckBox* limit, const QLineEdit* field, double least, double most) {
  const char separator = session::systemDecimalSeparator();
  const auto shown = [separator](double value) {
    return QString::fromStdString(weighing::generalNumberText(value, separator));
  };
  return {QMessageBox::Critical, QString("«%1» в поле «%2»: допустимо от %3 до %4.")
                                     .arg(field->text(), limit->text().trimmed(), shown(least), shown(most))};
}

session::PollMode pollModeOf(const QString& period) {
  if (period == kManualPeriod) return session::PollMode::Manual;
  if (period == kOnChangePeriod) return session::PollMode::OnChange;
  return session::PollMode::Timed;
}

// The hidden run's file and limits: none when there is no file to log into or a limit
// is not a number the run can count to.
std::variant<session::HiddenLogging, StartRefusal> readHiddenLogging(Ui::TMainForm& ui) {
  if (ui.ChBox1->isChecked() && ui.WorkTime->text().isEmpty()) ui.ChBox1->setChecked(false);
  if (ui.ChBox2->isChecked() && ui.NumberWeightTime->text().isEmpty()) ui.ChBox2->setChecked(false);
  if (ui.FileNameEdit->text().isEmpty()) return StartRefusal{QMessageBox::Information, "Не указано имя файла"};
  session::HiddenLogging log{std::filesystem::path(ui.FileNameEdit->text().toStdU16String()), std::nullopt, std::nullopt};
  const QCheckBox* limit = ui.ChBox2;  // the limit being read, to name it in a message
  try {
    if (ui.ChBox2->isChecked()) {
      log.lineLimit = weighing::parseInteger(ui.NumberWeightTime->text().toStdString());
      if (*log.lineLimit < kFewestLines) return limitRefused(ui.ChBox2, ui.NumberWeightTime, kFewestLines, kMostLines);
    }
    limit = ui.ChBox1;
    if (ui.ChBox1->isChecked()) {
      const double seconds = weighing::parseNumber(ui.WorkTime->text().toStdString());
      const bool countable = seconds > 0 && seconds <= kLongestWorkTimeSeconds;
      log.workTimeMs = countable ? weighing::truncatedMilliseconds(seconds) : 0;
      if (*log.workTimeMs < kShortestWorkTimeMs) {
        return limitRefused(ui.ChBox1, ui.WorkTime, kShortestWorkTimeMs / kMsPerSecond, kLongestWorkTimeSeconds);
      }
    }
  } catch (const weighing::ConversionError& error) {
    return notANumber(error, limit->text());
  }
  return log;
}

// The objects need a name to give each result, and the options must be numbers.
std::variant<session::HandsFree, StartRefusal> readHandsFree(const Ui::TMainForm& ui, const HandsFreePanel& panel) {
  if (ui.eUnit->text().trimmed().isEmpty()) {
    return StartRefusal{QMessageBox::Information,
                        "Автоматическое взвешивание называет каждый результат по наименованию объекта: "
                        "укажите наименование объекта."};
  }
  try {
    return panel.options();
  } catch (const weighing::ConversionError& error) {
    return notANumber(error, "Автоматическое взвешивание");
  }
}

}  // namespace

std::variant<session::RunStart, StartRefusal> readRunStart(Ui::TMainForm& ui, const HandsFreePanel& handsFree,
                                                  bool handsFreeArmed) {
  session::RunStart run;
  try {
    run.statisticsWindow = weighing::parseInteger(ui.SizeEdit->text().toStdString());
  } catch (const weighing::ConversionError& error) {
    return notANumber(error);
  }
  if (run.statisticsWindow < kMinStatisticsWindow || run.statisticsWindow > kMaxStatisticsWindow) {
    ui.SizeEdit->setText(kDefaultStatisticsWindow);
    return StartRefusal{QMessageBox::Information, "Допустимое значение числа от 1 до 1000"};
  }
  try {
    run.averagingTime = weighing::parseInteger(ui.cbWTime->currentText().toStdString());
    run.stabilityWindow = static_cast<float>(weighing::parseNumber(ui.DWTime->text().toStdString()));
    run.stabilityMaxChange = weighing::parseNumber(ui.MaxDW->text().toStdString());
  } catch (const weighing::ConversionError& error) {
    return notANumber(error);
  }
  if (ui.FastWrite->isChecked()) {
    auto log = readHiddenLogging(ui);
    if (auto* refusal = std::get_if<StartRefusal>(&log)) return *refusal;
    run.hidden = std::get<session::HiddenLogging>(log);
  } else if (handsFreeArmed) {
    auto options = readHandsFree(ui, handsFree);
    if (auto* refusal = std::get_if<StartRefusal>(&options)) return *refusal;
    run.handsFree = std::get<session::HandsFree>(options);
  }
  if (ui.ComboBox1->currentText().isEmpty()) ui.ComboBox1->setCurrentText("0");
  run.port = ui.ComCB->currentIndex() + 1;
  run.poll = pollModeOf(ui.ComboBox1->currentText());
  return run;
}

}  // namespace tarvelo::window
