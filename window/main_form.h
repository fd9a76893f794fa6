#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "window/input_guards.h"
#include "settings/settings_store.h"
#include "weighing/measurement_store.h"

class QAction;
class QCheckBox;
class QFileDialog;
class QPrinter;
class QGroupBox;
class QLineEdit;
class QTableWidget;

namespace Ui {
class TMainForm;
}

namespace tarvelo::app {

class HandsFreePanel;
class OptionsDialog;
class TAskForm;
class GraphPart;
class ProtocolPart;
class TrayPart;
class WeighingSession;
struct RunStart;
enum class RunEnd;

// Whether a start follows the stored hidden mode, or shows the window whatever is stored.
enum class StartMode { AsStored, ShowWindow };

struct StartOptions {
  StartMode mode = StartMode::AsStored;
  // Whether the desktop has a notification area for the tray icon; asked of the
  // desktop when not given.
  std::function<bool()> trayAvailable;
  // Turns hands-free weighing on, whatever is stored.
  bool handsFree = false;
};

// The main window. Its layout is main_form.ui; its handlers read the controls, call
// the weighing core and show what the core holds.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up: port list, the settings stored for this
  // executable file name, headings, and either the splash timer or, with the hidden
  // mode stored, a weighing run.
  TMainForm(std::unique_ptr<SettingsStore> settings, std::string executableFileName,
            StartOptions options = {}, QWidget* parent = nullptr);
  // Writes the settings back.
  ~TMainForm() override;

  bool hiddenStart() const { return hiddenStart_; }
  void setAskForm(TAskForm* askForm) { AskForm = askForm; }
  QTimer& timer1() { return Timer1; }
  TAskForm* askForm() const { return AskForm; }
  const weighing::MeasurementStore& measurements() const;
  WeighingSession& session() { return *session_; }
  // The program's exit status once the window has ended it: non-zero after a failure.
  int exitStatus() const { return exitStatus_; }

  // Handlers a user's action reaches, under the names the rest of the program knows them by.
  void Timer1Timer();
  void ClearButtonClick();
  void btnRemoveLastCycleClick();
  void sgResSelectCell(int column, int row);
  void FCheckClick();
  void Timer5Timer();
  void ApplyButton1Click();
  void btnPrintClick();
  // The protocol of the batch as the window shows it, printed on a given printer;
  // false when the printer did not take the job.
  bool printProtocol(QPrinter& printer) const;
  // The graph's handlers, at home in its part.
  void AppButtonClick();
  // "Параметры…": the dialog of the settings out of sight; "OK" writes them at once.
  void OptionsClick();
  void ShowGraphClick();
  // The chart as a JPEG or GIF picture, and printed on a given printer.
  bool saveGraph(const QString& path, bool gif);
  bool printGraph(QPrinter& printer);
  void WeightButtonClick();
  void StopButtonClick();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Handlers of the window's own controls, connected to their change signals.
  void FormCreate();
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
  void ChoseFButtonClick();
  void FormDestroy();
  // The window's controls before, during and after a run.
  void EnterIdleState();
  void ShowRunButtons(bool running);
  void EnableSettingsControls(bool on);
  void EnableLogFileControls(bool on);
  void EnableRecordControls(bool on);
  void applyColumnWidths();
  void connectHandlers();
  void guardFields();
  void setUpPortList();
  void setUpSession();
  void setUpReadButton();
  void centreOnScreen();
  void RestoreSettings();
  void keepLongTexts();
  void StoreSettings();
  void showGrids();
  bool idle() const;
  weighing::WeighingInputs inputs() const;
  // Names the field when it is known.
  void reportConversionError(const QString& text, const QString& field = {});
  // A message box for the person at the window; at a hidden start standard error hears
  // it too.
  void tell(QMessageBox::Icon icon, const QString& message);
  // Says that a hidden run's limit lies outside [least, most]; false.
  bool refuseLimit(const QCheckBox* limit, const QLineEdit* field, double least, double most);
  void setUpOptions();
  void offerHiddenLogging();
  bool readHandsFree(RunStart& run);
  bool startRun();
  bool readHiddenLogging(RunStart& run);
  void StopButtonPressed();
  void onRunEnded(RunEnd end, const QString& message);
  void endProgram(int status);
  void setCaption(const QString& suffix);

  std::unique_ptr<Ui::TMainForm> ui;
  std::unique_ptr<SettingsStore> settings;
  bool settingsOpen_ = false;
  bool hiddenStart_ = false;
  bool handsFreeRun_ = false;
  QString startupDir;
  std::string executableFileName;
  StartOptions startOptions_;
  std::unique_ptr<WeighingSession> session_;
  // Since the last start; a press of "Прервать" right after it is the second click of "Взвесить".
  QElapsedTimer runStartedAt_;
  int exitStatus_ = 0;
  InputGuards guards;
  QTimer Timer1;
  QTimer Timer5;
  QTimer trWTime;
  TrayPart* tray_ = nullptr;
  QFileDialog* SaveDialog1 = nullptr;
  TAskForm* AskForm = nullptr;
  std::unique_ptr<TAskForm> confirmation_;
  OptionsDialog* optionsDialog_ = nullptr;
  HandsFreePanel* handsFreePanel_ = nullptr;
  QAction* optionsAction_ = nullptr;
  GraphPart* graph_ = nullptr;
  std::unique_ptr<ProtocolPart> protocol_;
};

}  // namespace tarvelo::app
