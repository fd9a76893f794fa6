#pragma once

#include <QMainWindow>
#include <QString>
#include <QTimer>
#include <memory>

#include "app/input_guards.h"
#include "app/settings_store.h"
#include "app/stored_protocol_memory.h"
#include "link/acquisition_thread.h"
#include "link/no_balance_watch.h"
#include "link/reading_handoff.h"
#include "reports/hidden_log.h"
#include "reports/spreadsheet_protocol.h"
#include "weighing/measurement_store.h"

class QFileDialog;
class QLineSeries;
class QPrinter;
class QGroupBox;
class QMenu;
class QSystemTrayIcon;
class QTableWidget;

namespace Ui {
class TMainForm;
}

namespace tarvelo::app {

class TAskForm;
class UpDown;

// The main window. Its layout is main_form.ui; its handlers read the controls, call
// the weighing core and show what the core holds.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up: port list, the settings stored for this
  // executable file name, headings, and either the splash timer or, with the hidden
  // mode stored, a weighing run.
  TMainForm(std::unique_ptr<SettingsStore> settings, std::string executableFileName,
            QWidget* parent = nullptr);
  // Writes the settings back.
  ~TMainForm() override;

  bool hiddenStart() const { return hiddenStart_; }
  void setAskForm(TAskForm* askForm) { AskForm = askForm; }
  QTimer& timer1() { return Timer1; }
  TAskForm* askForm() const { return AskForm; }
  const weighing::MeasurementStore& measurements() const { return store; }

  // Event handlers, under the names the rest of the program knows them by.
  void FormCreate();
  void FormDestroy();
  void Timer1Timer();
  void N1Click();
  void N2Click();
  void DStabCBClick();
  void MWeightCBClick();
  void MinWCBClick();
  void RGr1Click();
  void FastWriteClick();
  void ChBox1Click();
  void ChBox2Click();
  void ComboBox1Change();
  void ClearButtonClick();
  void btnRemoveLastCycleClick();
  void sgResSelectCell(int column, int row);
  void FCheckClick();
  void Timer5Timer();
  void ApplyButton1Click();
  void btnPrintClick();
  // The protocol of the batch as the window shows it, printed on a given printer.
  void printProtocol(QPrinter& printer) const;
  void AppButtonClick();
  void ShowGraphClick();
  void SaveGraphClick();
  void PrintGraphClick();
  void StartNumExit();
  void LastNumExit();
  void LastNumChange();
  void UpDown1Click();
  // The chart as a JPEG or GIF picture, and printed on a given printer.
  bool saveGraph(const QString& path, bool gif);
  void printGraph(QPrinter& printer);
  void WeightButtonClick();
  void ChoseFButtonClick();
  void Timer4Timer();
  void StopButtonClick();
  void Timer2Timer();
  void EnterIdleState();
  void ShowRunButtons(bool running);
  void EnableSettingsControls(bool on);

  // How long a run may go without any reading before a hidden run gives up.
  void setNoBalanceTimeout(uint32_t ms) { noBalanceTimeout = ms; }
  // Where a run takes its readings from; the balance on the serial port unless replaced.
  void setReadingSource(link::AcquisitionThread::SourceFactory factory);
  void EnableLogFileControls(bool on);
  void EnableRecordControls(bool on);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void applyColumnWidths();
  void connectHandlers();
  void guardFields();
  void setUpPortList();
  void setUpTray();
  void RestoreSettings();
  void StoreSettings();
  void showGrids();
  bool idle() const;
  weighing::WeighingInputs inputs() const;
  void reportConversionError(const QString& text);
  reports::SpreadsheetProtocol protocol() const;
  void setUpChart();
  void showChart();
  void StartPolling();
  void PrepareHiddenRun();
  void WriteLogLine(const link::WeightReading& reading);
  void endHiddenRun();
  void logFileFailed(const QString& fileName);
  void tickWaitElapsed();
  void finishTick();
  void MarkDataReceived();
  void CheckNoBalanceTimeout();
  void setCaption(const QString& suffix);

  std::unique_ptr<Ui::TMainForm> ui;
  std::unique_ptr<SettingsStore> settings;
  bool settingsOpen_ = false;
  bool hiddenStart_ = false;
  QString startupDir;
  std::string executableFileName;
  // The protocol found last on each port; the acquisition thread uses it, so it outlives it.
  StoredProtocolMemory protocolMemory;
  weighing::MeasurementStore store;
  InputGuards guards;
  QTimer Timer1;
  QTimer Timer2;
  QTimer Timer4;
  QTimer Timer5;
  QTimer trWTime;
  // The tick's four 50 ms waits, chained on the event loop so the window stays live.
  QTimer tickWait;
  int tickWaitsDone = 0;
  bool tickInProgress = false;
  // Counts runs; a tick whose waits outlive its run ("Прервать") records nothing.
  int runNumber = 0;
  int tickRunNumber = 0;
  link::ReadingHandoff handoff;
  std::unique_ptr<link::AcquisitionThread> acquisition;
  std::unique_ptr<link::NoBalanceWatch> lastDataTime;
  uint32_t noBalanceTimeout = link::NoBalanceWatch::kLimitMs;
  reports::HiddenLog hiddenLog;
  link::WeightReading lastReading;  // the copy of the last tick that had a reading
  QMenu* PopupMenu1 = nullptr;
  QSystemTrayIcon* trayIcon = nullptr;
  QFileDialog* SaveDialog1 = nullptr;
  TAskForm* AskForm = nullptr;
  UpDown* startNumSpinner = nullptr;  // UpDown1
  QLineSeries* Series1 = nullptr;  // the readings, red
  QLineSeries* Series3 = nullptr;  // the trend line, blue
  std::unique_ptr<TAskForm> confirmation_;
};

}  // namespace tarvelo::app
