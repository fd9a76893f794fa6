#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "session/journal_entry.h"
#include "session/lab_link.h"
#include "session/tag_reader_link.h"
#include "weighing/measurement_store.h"
#include "window/widgets/window_place.h"
#include "session/weighing_session.h"
#include "settings/settings_store.h"

class QPrinter;

namespace Ui {
class TMainForm;
}

namespace tarvelo::window {

class ControlRules;
class GraphPart;
class JournalWindow;
class AnimalListWindow;
class OptionsPart;
class ProtocolPart;
class TAskForm;
class TrayPart;
class WindowSettings;

// Whether a start follows the stored hidden mode, or shows the window whatever is stored.
enum class StartMode { AsStored, ShowWindow };

struct StartOptions {
  StartMode mode = StartMode::AsStored;
  // Whether the desktop has a notification area for the tray icon; asked of the
  // desktop when not given.
  std::function<bool()> trayAvailable;
  // Turns hands-free weighing on, whatever is stored.
  bool handsFree = false;
  // The weighing journal's database; no journal when empty.
  std::filesystem::path journal = {};
};

// The main window. Its layout is main_form.ui; its handlers read the controls, ask the
// weighing session for every change and show what the session holds. The parts it owns
// do the rest: the graph, the protocol, the tray and hidden-mode presentation, the
// options dialog, the rules of which controls may be used, and the stored settings.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up: port list, the settings stored for this
  // executable file name, headings, and either the splash timer or, with the hidden
  // mode stored, a weighing run.
  TMainForm(std::unique_ptr<settings::SettingsStore> settings, std::string executableFileName,
            StartOptions options = {}, QWidget* parent = nullptr);
  // Writes the settings back.
  ~TMainForm() override;

  bool hiddenStart() const;
  void setAskForm(TAskForm* askForm) { AskForm = askForm; }
  QTimer& timer1() { return Timer1; }
  TAskForm* askForm() const { return AskForm; }
  const weighing::MeasurementStore& measurements() const;
  session::WeighingSession& session() { return *session_; }
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
  void AppButtonClick();
  // "Параметры…": the dialog of the settings out of sight; "OK" writes them at once.
  void OptionsClick();
  // "Журнал": the journal window, read anew.
  void JournalClick();
  // "Список животных": the animals to weigh, kept in the journal.
  void AnimalListClick();
  void ShowGraphClick();
  // The chart as a JPEG or GIF picture, and printed on a given printer.
  bool saveGraph(const QString& path, bool gif);
  bool printGraph(QPrinter& printer);
  void WeightButtonClick();
  void StopButtonClick();
  // Enter in "№ животного", as a barcode scanner ends a code: weighs when nothing runs;
  // during a run the number names the animal on the pan, or the next one.
  void eAnimalReturnPressed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormDestroy();
  void N1Click();
  void N2Click();
  void ChoseFButtonClick();
  void applyColumnWidths();
  void connectHandlers();
  void guardFields();
  void setUpPortList();
  void setUpSession(const std::string& executableFileName);
  void setUpJournal();
  // The tag reader's tags name the weighings; how it fares is said on the status line.
  void setUpTagReader();
  // The journal goes to the lab's server, when one is set; how that fares is said too.
  void setUpLabLink();
  // Says a link's state on the status line; trouble stays there until the link is back.
  std::function<void(const QString& text, bool trouble)> linkStateSayer();
  // Says which records neither the journal nor its pending file took at the end.
  void sayJournalLoss(const QString& lost);
  session::JournalContext journalContext() const;
  void setUpReadButton();
  void centreOnScreen();
  void showGrids();
  // Rows below a share of their reference stand out: the limit redder than the warning.
  void markAlertRows(const weighing::TextGrid& results);
  weighing::WeighingInputs inputs() const;
  // Names the field when it is known.
  void reportConversionError(const QString& text, const QString& field = {});
  // A message box for the person at the window; at a hidden start standard error hears
  // it too.
  void tell(QMessageBox::Icon icon, const QString& message);
  bool startRun();
  // A result took the animal's number: the field is empty and ready for the next scan.
  void readyForNextAnimal();
  // The first animal of the list not weighed today is offered in "№ животного".
  void offerNextAnimal();
  void StopButtonPressed();
  void onRunEnded(session::RunEnd end, const QString& message);
  void endProgram(int status);
  void setCaption(const QString& suffix);

  std::unique_ptr<Ui::TMainForm> ui;
  StartOptions startOptions_;
  QString startupDir;
  std::unique_ptr<session::WeighingSession> session_;
  session::TagReaderLink* tagReader_ = nullptr;
  session::LabLink* labLink_ = nullptr;  // none without a journal
  int exitStatus_ = 0;
  QTimer Timer1;
  QTimer Timer5;
  TAskForm* AskForm = nullptr;
  std::unique_ptr<TAskForm> confirmation_;
  ControlRules* rules_ = nullptr;
  WindowSettings* settings_ = nullptr;
  TrayPart* tray_ = nullptr;
  OptionsPart* options_ = nullptr;
  WindowPlaces places_;
  GraphPart* graph_ = nullptr;
  JournalWindow* journalWindow_ = nullptr;
  AnimalListWindow* animalList_ = nullptr;
  std::set<std::string> weighedToday_;  // the list's animals weighed today
  std::unique_ptr<ProtocolPart> protocol_;
};

}  // namespace tarvelo::window
