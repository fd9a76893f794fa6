// The weighing cycle of the main window: a run starts with "Взвесить", takes one
// reading per tick of Timer2, records the accepted ones and ends with a result row
// after N readings or "Прервать".
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QTime>

#include "app/main_form.h"
#include "app/period_texts.h"
#include "app/radio_group.h"
#include "link/clock.h"
#include "ui_main_form.h"
#include "weighing/acceptance.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"
#include "weighing/recording.h"
#include "weighing/stability_text.h"

namespace tarvelo::app {

namespace {

constexpr int kTickMs = 700;
constexpr int kManualTickMs = 200;
constexpr int kTickWaitMs = 50;
constexpr int kTickWaits = 4;
constexpr int kMinStatisticsWindow = 1;
constexpr int kMaxStatisticsWindow = 1000;
const QString kDefaultStatisticsWindow = QStringLiteral("100");
const QString kCaption = QStringLiteral("Tarvelo.exe (Version U1.0.0)");
const QString kSearching = QStringLiteral(" - Поиск весов... ");
const QString kReceiving = QStringLiteral(" - Прием данных... ");

QString logFileFailure(const QString& fileName) {
  return QString("Не удалось записать файл журнала «%1».").arg(fileName);
}

// The system's long time format without its time zone: hours, minutes, seconds.
QString timeOfDay() {
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove('t');
  return QTime::currentTime().toString(format.trimmed());
}

}  // namespace

void TMainForm::setReadingSource(link::AcquisitionThread::SourceFactory factory) {
  acquisition = std::make_unique<link::AcquisitionThread>(handoff, std::move(factory), link::systemClock());
}

void TMainForm::setCaption(const QString& suffix) { setWindowTitle(kCaption + suffix); }

void TMainForm::WeightButtonClick() {
  float stabilityWindow = 0;
  double stabilityMaxChange = 0;
  int statisticsWindow = 0;
  int averagingTime = 0;
  // Every number of the start is read before anything changes: a bad one starts nothing.
  try {
    statisticsWindow = weighing::parseInteger(ui->SizeEdit->text().toStdString());
    averagingTime = weighing::parseInteger(ui->cbWTime->currentText().toStdString());
    stabilityWindow = static_cast<float>(weighing::parseNumber(ui->DWTime->text().toStdString()));
    stabilityMaxChange = weighing::parseNumber(ui->MaxDW->text().toStdString());
  } catch (const weighing::ConversionError& error) {
    reportConversionError(QString::fromStdString(error.text()));
    return;
  }
  if (statisticsWindow < kMinStatisticsWindow || statisticsWindow > kMaxStatisticsWindow) {
    QMessageBox::information(this, windowTitle(), "Допустимое значение числа от 1 до 1000");
    ui->SizeEdit->setText(kDefaultStatisticsWindow);
    return;
  }
  lastDataTime = std::make_unique<link::NoBalanceWatch>(link::systemClock(), noBalanceTimeout);
  ui->Memo2->clear();
  hiddenLog.startRun();
  store.ClearBeforeNextWeight();
  store.readingsPerWeighing = weighing::readingsForAveragingTime(averagingTime);
  setCaption(kSearching);
  if (!acquisition) setReadingSource(link::balanceOnSerialPort(&protocolMemory));
  ++runNumber;
  acquisition->start(ui->ComCB->currentIndex() + 1, stabilityWindow, stabilityMaxChange);
  if (ui->ComboBox1->currentText().isEmpty()) ui->ComboBox1->setCurrentText("0");
  PrepareHiddenRun();
  store.statisticsWindow = statisticsWindow;
  store.runActive = true;
  ShowRunButtons(true);
  EnableSettingsControls(false);
  StartPolling();
  store.SetupCurrentGrid(inputs());
  showGrids();
}

void TMainForm::StartPolling() {
  const QString period = ui->ComboBox1->currentText();
  if (period == kManualPeriod) {
    Timer2.setInterval(kManualTickMs);
    Timer2.start();
    store.manualFirstTick = true;
    store.onChangeMode = false;
  } else if (period == kOnChangePeriod) {
    store.onChangeMode = true;
    Timer2.start();
  } else {
    store.onChangeMode = false;
    Timer2.setInterval(kTickMs);
    Timer2.start();
    Timer2Timer();
  }
}

void TMainForm::Timer2Timer() {
  if (tickInProgress) return;  // the previous tick is still in its waits
  handoff.requestReading(ui->DStabCB->isChecked());
  tickInProgress = true;
  tickWaitsDone = 0;
  tickRunNumber = runNumber;
  tickWait.start(kTickWaitMs);
}

void TMainForm::tickWaitElapsed() {
  if (tickRunNumber != runNumber || !store.runActive) {
    tickInProgress = false;  // "Прервать" came during the waits
    return;
  }
  CheckNoBalanceTimeout();
  if (++tickWaitsDone < kTickWaits) {
    tickWait.start(kTickWaitMs);
    return;
  }
  tickInProgress = false;
  finishTick();
}

void TMainForm::finishTick() {
  link::WeightReading reading;
  if (!handoff.takeReading(reading)) return;
  lastReading = reading;
  if (ui->ComboBox1->currentText() == kManualPeriod) {
    ui->ReadButton->setEnabled(true);
    ui->ReadButton->setFocus();
    Timer2.stop();
    if (store.manualFirstTick) {
      store.manualFirstTick = false;
      return;
    }
  }
  MarkDataReceived();
  if (ui->FastWrite->isChecked() && store.runActive) {
    // The flags stay as they are: every later tick logs the newest reading.
    WriteLogLine(reading);
    return;
  }
  try {
    const weighing::WeighingInputs in = inputs();
    if (weighing::AcceptReading(store, reading, in) &&
        weighing::RecordReading(store, reading, timeOfDay().toStdString(), in)) {
      StopButtonClick();
    }
  } catch (const weighing::ConversionError& error) {
    // A threshold that is not a number would fail every tick: end the run once, and say why.
    StopButtonClick();
    reportConversionError(QString::fromStdString(error.text()));
  }
  showGrids();
  handoff.readingDone();
}

void TMainForm::MarkDataReceived() {
  lastDataTime->signOfLife();
  setCaption(kReceiving);
}

void TMainForm::CheckNoBalanceTimeout() {
  if (!lastDataTime->expired() || !ui->FastWrite->isChecked()) return;
  reports::HiddenLog::writeNoBalance(ui->FileNameEdit->text().toStdString());
  show();
  close();
}

void TMainForm::PrepareHiddenRun() {
  if (!ui->FastWrite->isChecked()) return;
  store.runActive = true;
  if (ui->ChBox1->isChecked() && ui->WorkTime->text().isEmpty()) ui->ChBox1->setChecked(false);
  if (ui->ChBox2->isChecked() && ui->NumberWeightTime->text().isEmpty()) ui->ChBox2->setChecked(false);
  Timer2.setInterval(kTickMs);
  hide();
}

void TMainForm::WriteLogLine(const link::WeightReading& reading) {
  const QString fileName = ui->FileNameEdit->text();
  if (fileName.isEmpty()) {
    Timer2.stop();
    QMessageBox::information(this, windowTitle(), "Не указано имя файла");
    return;
  }
  int lineLimit = 0;
  try {
    if (ui->ChBox1->isChecked()) {
      const int workTimeMs = static_cast<int>(weighing::parseNumber(ui->WorkTime->text().toStdString()) * 1000);
      // The working time counts from the first line: a running timer is left alone.
      if (!Timer4.isActive() || Timer4.interval() != workTimeMs) Timer4.start(workTimeMs);
    }
    if (ui->ChBox2->isChecked()) lineLimit = weighing::parseInteger(ui->NumberWeightTime->text().toStdString());
  } catch (const weighing::ConversionError& error) {
    StopButtonClick();
    reportConversionError(QString::fromStdString(error.text()));
    return;
  }
  store.stabilityText = weighing::stabilityText(reading.stable != 0);
  if (!hiddenLog.WriteLogLine(fileName.toStdString(), ui->ChBox2->isChecked(), timeOfDay().toStdString(), reading,
                              inputs().decimalSeparator)) {
    logFileFailed(fileName);
    return;
  }
  if (ui->ChBox2->isChecked() && hiddenLog.logLineCount() >= lineLimit) endHiddenRun();
}

void TMainForm::Timer4Timer() {
  Timer4.stop();
  endHiddenRun();
}

// A limit reached: the log is saved and the program ends.
void TMainForm::endHiddenRun() {
  Timer2.stop();
  if (!hiddenLog.SaveLog(ui->FileNameEdit->text().toStdString())) {
    logFileFailed(ui->FileNameEdit->text());
    return;
  }
  close();
}

// The log cannot be written: the run ends here, with the window and the reason shown,
// instead of failing again at every tick.
void TMainForm::logFileFailed(const QString& fileName) {
  StopButtonClick();
  show();
  QMessageBox::critical(this, windowTitle(), logFileFailure(fileName));
}

void TMainForm::ChoseFButtonClick() {
  SaveDialog1->setDefaultSuffix("txt");
  SaveDialog1->setNameFilter("Текстовый (*.txt)");
  if (SaveDialog1->exec() == QDialog::Accepted) ui->FileNameEdit->setText(SaveDialog1->selectedFiles().value(0));
}

void TMainForm::StopButtonClick() {
  ++runNumber;
  setCaption({});
  EnterIdleState();
  if (ui->FastWrite->isChecked()) {
    if (!hiddenLog.SaveLog(ui->FileNameEdit->text().toStdString())) {
      QMessageBox::critical(this, windowTitle(), logFileFailure(ui->FileNameEdit->text()));
    }
    EnableRecordControls(false);
    EnableLogFileControls(true);
  }
  Timer4.stop();
  Timer2.stop();
  try {
    const weighing::StopOutcome outcome = weighing::StopWeighing(store, inputs());
    if (outcome.lastNum) ui->LastNum->setText(QString::number(*outcome.lastNum));
  } catch (const weighing::ConversionError& error) {
    reportConversionError(QString::fromStdString(error.text()));
  }
  showGrids();
}

void TMainForm::EnterIdleState() {
  store.runActive = false;
  Timer4.stop();
  ShowRunButtons(false);
  EnableSettingsControls(true);
  if (acquisition) acquisition->stop();
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
