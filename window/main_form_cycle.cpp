// The weighing cycle as the main window drives it: "Взвесить" reads the start's
// numbers and hands them to the weighing session, "Прервать" stops it, and the
// window shows how the run ended.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <limits>
#include <cmath>

#include "window/hands_free_panel.h"
#include "window/main_form.h"
#include "window/tray_part.h"
#include "window/period_texts.h"
#include "session/weighing_session.h"
#include "ui_main_form.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::app {

namespace {

constexpr int kMinStatisticsWindow = 1;
constexpr int kMaxStatisticsWindow = 1000;
constexpr int kFewestLines = 1;
constexpr int kMostLines = std::numeric_limits<int>::max();
constexpr long long kShortestWorkTimeMs = 1;
// Beyond it the end of the run could not be counted.
constexpr double kLongestWorkTimeSeconds = 1e9;
constexpr double kMsPerSecond = 1000.0;
// A press of "Прервать" this soon after the start is the second click of a double
// click on "Взвесить", which it replaced under the pointer: not a stop.
constexpr qint64 kStopAfterStartMs = 500;
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
const QString kDefaultStatisticsWindow = QStringLiteral("100");
const QString kCaption = QStringLiteral("Tarvelo.exe (Version U1.0.0)");

PollMode pollModeOf(const QString& period) {
  if (period == kManualPeriod) return PollMode::Manual;
  if (period == kOnChangePeriod) return PollMode::OnChange;
  return PollMode::Timed;
}

}  // namespace

void TMainForm::setCaption(const QString& suffix) {
  setWindowTitle(kCaption + suffix);
  // A hidden run shows its state where its icon is.
  tray_->showState(suffix);
}

void TMainForm::WeightButtonClick() { startRun(); }

// Every number of the start is read before anything changes: a bad one starts nothing.
bool TMainForm::startRun() {
  RunStart run;
  try {
    run.statisticsWindow = weighing::parseInteger(ui->SizeEdit->text().toStdString());
  } catch (const weighing::ConversionError& error) {
    reportConversionError(QString::fromStdString(error.text()));
    return false;
  }
  if (run.statisticsWindow < kMinStatisticsWindow || run.statisticsWindow > kMaxStatisticsWindow) {
    tell(QMessageBox::Information, "Допустимое значение числа от 1 до 1000");
    ui->SizeEdit->setText(kDefaultStatisticsWindow);
    return false;
  }
  try {
    run.averagingTime = weighing::parseInteger(ui->cbWTime->currentText().toStdString());
    run.stabilityWindow = static_cast<float>(weighing::parseNumber(ui->DWTime->text().toStdString()));
    run.stabilityMaxChange = weighing::parseNumber(ui->MaxDW->text().toStdString());
  } catch (const weighing::ConversionError& error) {
    reportConversionError(QString::fromStdString(error.text()));
    return false;
  }
  if (ui->FastWrite->isChecked() && !readHiddenLogging(run)) return false;
  if (!ui->FastWrite->isChecked() && session_->handsFree().armed() && !readHandsFree(run)) return false;
  handsFreeRun_ = run.handsFree.has_value();
  ui->Memo2->clear();
  if (ui->ComboBox1->currentText().isEmpty()) ui->ComboBox1->setCurrentText("0");
  run.port = ui->ComCB->currentIndex() + 1;
  run.poll = pollModeOf(ui->ComboBox1->currentText());
  ui->ReadButton->setVisible(run.poll == PollMode::Manual);
  if (run.hidden) tray_->hideForHiddenRun(ui->FileNameEdit->text());
  ShowRunButtons(true);
  EnableSettingsControls(false);
  runStartedAt_.start();
  session_->start(run);
  return true;
}

// The hidden run's file and limits. False, having said why, when there is no file to
// log into or a limit is not a number the run can count to.
bool TMainForm::readHiddenLogging(RunStart& run) {
  if (ui->ChBox1->isChecked() && ui->WorkTime->text().isEmpty()) ui->ChBox1->setChecked(false);
  if (ui->ChBox2->isChecked() && ui->NumberWeightTime->text().isEmpty()) ui->ChBox2->setChecked(false);
  if (ui->FileNameEdit->text().isEmpty()) {
    tell(QMessageBox::Information, "Не указано имя файла");
    return false;
  }
  HiddenLogging log{ui->FileNameEdit->text().toStdString(), std::nullopt, std::nullopt};
  const QCheckBox* limit = ui->ChBox2;  // the limit being read, to name it in a message
  try {
    if (ui->ChBox2->isChecked()) {
      log.lineLimit = weighing::parseInteger(ui->NumberWeightTime->text().toStdString());
      if (*log.lineLimit < kFewestLines) return refuseLimit(ui->ChBox2, ui->NumberWeightTime, kFewestLines, kMostLines);
    }
    limit = ui->ChBox1;
    if (ui->ChBox1->isChecked()) {
      const double seconds = weighing::parseNumber(ui->WorkTime->text().toStdString());
      const bool countable = seconds > 0 && seconds <= kLongestWorkTimeSeconds;
      log.workTimeMs = countable ? weighing::truncatedMilliseconds(seconds) : 0;
      if (*log.workTimeMs < kShortestWorkTimeMs) {
        return refuseLimit(ui->ChBox1, ui->WorkTime, kShortestWorkTimeMs / kMsPerSecond, kLongestWorkTimeSeconds);
      }
    }
  } catch (const weighing::ConversionError& error) {
    reportConversionError(QString::fromStdString(error.text()), limit->text());
    return false;
  }
  run.hidden = log;
  return true;
}

bool TMainForm::refuseLimit(const QCheckBox* limit, const QLineEdit* field, double least, double most) {
  const char separator = QLocale::system().decimalPoint().at(0).toLatin1();
  const auto shown = [separator](double value) {
    return QString::fromStdString(weighing::generalNumberText(value, separator));
  };
  tell(QMessageBox::Critical, QString("«%1» в поле «%2»: допустимо от %3 до %4.")
                                  .arg(field->text(), limit->text().trimmed(), shown(least), shown(most)));
  return false;
}

// False, having said why, when the objects have no name to give each result, or a
// hands-free option is not a number.
bool TMainForm::readHandsFree(RunStart& run) {
  if (ui->eUnit->text().trimmed().isEmpty()) {
    tell(QMessageBox::Information, "Автоматическое взвешивание называет каждый результат по наименованию объекта: "
                                   "укажите наименование объекта.");
    return false;
  }
  try {
    run.handsFree = handsFreePanel_->options();
  } catch (const weighing::ConversionError& error) {
    reportConversionError(QString::fromStdString(error.text()), "Автоматическое взвешивание");
    return false;
  }
  return true;
}

void TMainForm::StopButtonPressed() {
  if (runStartedAt_.isValid() && runStartedAt_.elapsed() < kStopAfterStartMs) return;
  StopButtonClick();
}

void TMainForm::StopButtonClick() { session_->stop(); }

void TMainForm::onRunEnded(RunEnd end, const QString& message) {
  tray_->clearNote();
  EnterIdleState();
  showGrids();
  switch (end) {
    case RunEnd::Stopped:
      return;
    case RunEnd::Failed:
      if (handsFreeRun_) {
        tray_->tellUnattended(message);
        // Seen by whoever comes to the window; it holds nothing up.
        auto* box = new QMessageBox(QMessageBox::Critical, windowTitle(), message, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
        return;
      }
      QMessageBox::critical(this, windowTitle(), message);
      return;
    case RunEnd::HiddenDone:
      endProgram(kExitOk);
      return;
    case RunEnd::NoBalance:
      show();
      endProgram(kExitOk);
      return;
    case RunEnd::HiddenFailed:
      // Nobody may be there to close a box: the program ends and says why.
      tray_->tellUnattended(message);
      endProgram(kExitFailure);
      return;
  }
}

void TMainForm::endProgram(int status) {
  exitStatus_ = status;
  close();
}

void TMainForm::ChoseFButtonClick() {
  SaveDialog1->setDefaultSuffix("txt");
  SaveDialog1->setNameFilter("Текстовый (*.txt)");
  if (SaveDialog1->exec() == QDialog::Accepted) ui->FileNameEdit->setText(SaveDialog1->selectedFiles().value(0));
}

void TMainForm::EnterIdleState() {
  ShowRunButtons(false);
  ui->ReadButton->hide();
  EnableSettingsControls(true);
  EnableLogFileControls(ui->FastWrite->isChecked());
  EnableRecordControls(!ui->FastWrite->isChecked());
  ui->MaxDW->setEnabled(ui->DStabCB->isChecked());
  ui->DWTime->setEnabled(ui->DStabCB->isChecked());
  ui->MinimW->setEnabled(ui->MinWCB->isChecked());
}

void TMainForm::ShowRunButtons(bool running) {
  ui->StopButton->setVisible(running);
  ui->WeightButton->setVisible(!running);
  ui->ApplyButton1->setEnabled(!running);
  ui->ClearButton->setEnabled(!running);
}

void TMainForm::EnableSettingsControls(bool on) {
  QWidget* const controls[] = {
      ui->Label5,    ui->Label15,   ui->Label16,    ui->Label19,       ui->Label17,  ui->Label1,
      ui->cbWTime,   ui->eUnit,     ui->ePerson,    ui->eLabelNum,     ui->btnPrint, ui->btnRemoveLastCycle,
      ui->ComCB,     ui->Label4,    ui->Label3,     ui->ComboBox1,     ui->FastWrite, ui->FileNameEdit,
      ui->Label14,   ui->ChBox1,    ui->ChBox2,     ui->WorkTime,      ui->NumberWeightTime,
      ui->Label7,    ui->Label8,    ui->SizeEdit,   ui->RGr1,          ui->RGr2,     ui->ChoseFButton,
      ui->MaxDW,     ui->DWTime,    ui->Label11,    ui->ShowGraph,     ui->SaveGraph, ui->PrintGraph,
      ui->LastNum,   ui->StartNum,  ui->UpDown1,    ui->UpDown2};
  for (QWidget* control : controls) control->setEnabled(on);
  ui->MinimW->setEnabled(on && ui->MinWCB->isChecked());
}

}  // namespace tarvelo::app
