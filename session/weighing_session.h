#pragma once

#include <QObject>
#include <QString>
#include <QTime>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/acquisition_thread.h"
#include "link/no_balance_watch.h"
#include "link/protocol_memory.h"
#include "link/reading_handoff.h"
#include "reports/hidden_log.h"
#include "session/animal_tags.h"
#include "session/hands_free_switch.h"
#include "session/result_journal.h"
#include "weighing/conversion_error.h"
#include "weighing/load_trigger.h"
#include "weighing/measurement_store.h"
#include "weighing/results_table.h"
#include "weighing/statistics.h"
#include "weighing/weighing_inputs.h"

namespace tarvelo::session {

// How a run asks the balance for readings.
enum class PollMode {
  Timed,     // one reading every 700 ms
  Manual,    // one reading a press of the read button
  OnChange,  // every 700 ms, recording only readings that changed enough
};

// A hidden run logs every new reading into a file instead of weighing.
struct HiddenLogging {
  std::filesystem::path file;  // made from the text's own encoding: on Windows a wide name
  std::optional<int> lineLimit;        // end after this many lines
  std::optional<int64_t> workTimeMs;   // end this long after the first line
};

// Hands-free weighing: the run watches the pan and weighs every load that arrives.
struct HandsFree {
  double thresholdGrams = 0;
  int64_t emptyPauseMs = 0;
};

struct RunStart {
  int port = 1;
  float stabilityWindow = 0;
  double stabilityMaxChange = 0;
  int statisticsWindow = 0;
  int averagingTime = 0;
  PollMode poll = PollMode::Timed;
  std::optional<HiddenLogging> hidden;
  // Ignored by a hidden run.
  std::optional<HandsFree> handsFree;
};

// What a run reads from the window while it goes on.
struct RunControls {
  // At every recorded reading and at the end of a weighing.
  std::function<weighing::WeighingInputs()> inputs;
  // At every tick: the extra stability check of the acquisition thread.
  std::function<bool()> stabilityCheck;
  // How the window labels the thresholds read during a run, for messages.
  QString maxDifName;
  QString minimWName;
};

// How a run ended, and what the program does about it.
enum class RunEnd {
  Stopped,       // "Прервать", or the weighing is complete: the window goes idle
  Failed,        // a number field stopped being a number: no result row; the message says which
  HandsFreeFailed,  // so did a hands-free run's, which nobody may be watching
  HiddenDone,    // a hidden run reached its limit, its log saved: the program ends
  NoBalance,     // a hidden run never had a reading: the no-balance file is written; the program ends
  HiddenFailed,  // a hidden run cannot go on (its log cannot be written): the program ends with a failure
};

// "«abc» в поле «…» не является допустимым числом.", the field named when it is known.
QString notANumberText(const QString& text, const QString& field = {});

// One weighing run after another, without any widget: the hand-off and the
// acquisition thread, the polling timer and its tick chain, the working-time limit,
// the no-balance watch and the hidden-mode log. The window starts and stops it and
// shows what it reports; a hidden run is a session whose window stays hidden.
class WeighingSession : public QObject {
  Q_OBJECT

 public:
  WeighingSession(RunControls controls, std::unique_ptr<link::ProtocolMemory> memory, QObject* parent = nullptr);
  // Stops the acquisition thread and waits for it; a hidden log is closed whole.
  ~WeighingSession() override;

  // Where runs take their readings from; the balance on the serial port unless replaced.
  void setReadingSource(link::AcquisitionThread::SourceFactory factory);
  // How long a run may go without a new reading before it counts as silent: a hidden run
  // without any line gives up, one with lines says so and searches on.
  void setNoBalanceTimeout(uint32_t ms) { noBalanceTimeout_ = ms; }
  // Where the result rows are journalled; none unless given.
  void setJournal(std::unique_ptr<ResultJournal> journal);
  // Returns once every result row and removal so far is in the journal, or said to wait.
  void waitForJournal();
  // The program ends: the journal takes what waits or keeps it for the next start. What
  // neither took, for a person to read; empty when nothing.
  QString closeJournal();
  // The journal's head with every result so far written; none without a journal.
  std::optional<journal::Head> journalHead() const;

  // What runs have measured; the window shows it and changes it only through the calls below.
  const weighing::MeasurementStore& measurements() const { return store_; }
  // The current weighing's column titles, before the first run.
  void titleCurrentGrid();
  // "Очистить окно": the current weighing, the results and the totals.
  void clearResults();
  // A new choice of recorded fields: the current weighing and its titles.
  void clearForNewFields();
  // "Удалить измерение", asking through the dialogs; throws ConversionError when a
  // threshold it needs is not a number.
  void removeResultRow(const weighing::RemovalDialogs& dialogs);
  void selectResultRow(int row);
  // The graph over the current weighing's readings startNum to lastNum.
  weighing::GraphRange showGraphRange(int startNum, int lastNum);

  void start(const RunStart& run);
  // The tag reader read `number` at `atMs` of the steady clock (now when not given): it
  // names the weighing that runs, or the next one to begin within a few seconds.
  void tagRead(const std::string& number, std::optional<std::int64_t> atMs = std::nullopt);
  // A number typed or scanned while a run goes on: it names the next weighing to begin,
  // never the one on the pan.
  void queueAnimal(const std::string& number);
  const std::string& nextAnimal() const { return nextAnimal_; }
  // "Взвешивается: № …; Следующее: № …": whom the weighing is of, and the next; empty
  // when neither is known and no list of animals is weighed.
  QString animalText() const;
  // The list of animals to weigh: a number not on it is weighed all the same and marked.
  void setAnimals(std::vector<journal::Animal> animals) { animals_ = std::move(animals); }
  const std::vector<journal::Animal>& animals() const { return animals_; }
  // "Прервать", or the end of a weighing: a weighing with readings becomes a result row.
  void stop();
  // The polling timer's tick, also a press of the read button.
  void Timer2Timer();
  // The working-time limit of a hidden run.
  void Timer4Timer();

  bool running() const { return runActive_; }
  // A hidden run's working time is counting down.
  bool workTimeCounting() const { return Timer4.remainingTime() > 0; }
  // The polling timer runs (a manual run pauses it between presses).
  bool polling() const { return Timer2.isActive(); }
  // The last reading a tick took, with the balance's identity.
  const link::WeightReading& lastReading() const { return lastReading_; }
  bool hidden() const { return hidden_.has_value(); }
  // A hands-free run between two weighings.
  bool watchingPan() const { return loadTrigger_ && loadTrigger_->state() != weighing::LoadTrigger::State::Weighing; }

  // Whether runs weigh hands-free, and when such a run starts.
  HandsFreeSwitch& handsFree() { return handsFree_; }
  const HandsFreeSwitch& handsFree() const { return handsFree_; }
  // The settings may change while no run goes on, or while a hands-free run waits for a load.
  bool settingsMayChange() const { return !running() || watchingPan(); }
  // The options dialog opens: a run watching the pan gives way to it. Whether it did.
  bool pauseForOptions();

 signals:
  void captionChanged(const QString& suffix);
  // The store changed: the grids and the chart show it anew.
  void storeChanged();
  // A manual run has a reading for the read button.
  void manualReadingReady();
  // The last reading of the graph range of a finished weighing.
  void lastNumChanged(int lastNum);
  void runEnded(tarvelo::session::RunEnd end, const QString& message);
  // A hands-free weighing gave its result row.
  void resultRecorded();
  // A weighing of any run gave its result row, which took the animal's number given.
  void resultAdded();
  // A weighing began and took the number typed in the window: the field is free for the next.
  void animalTaken();
  // Whom the weighing is of, or the next, changed: animalText() says it.
  void animalChanged();
  // The number of the row just made was weighed before in this batch.
  void animalRepeated(const QString& message);
  // `waiting` records wait for the journal, which said `reason`; 0 when all are written.
  void journalBacklog(int waiting, const QString& reason);
  // Records went into the journal.
  void journalWritten();
  // A result weighs less than the warning or the limit share of its object's reference
  // weight; its row, when still in the grid, is marked.
  void weightAlert(const QString& message);
  // The journal checked at the start does not hold: its chain, or its kept head.
  void journalDamaged(const QString& message);

 private:
  void StartPolling(PollMode poll);
  // A weighing began: its number is the one typed or scanned for it, and its tags count.
  void beginWeighing();
  // The row about to be made: its number, its note, and its animal on the list.
  Identity rowIdentity(std::string& note, const journal::Animal*& listed) const;
  // The row's note when its number was weighed before in the batch; empty when not.
  std::string repeatNote(int row);
  void tickWaitElapsed();
  void finishTick();
  // Takes a copy: acceptance may mark it unstable.
  void recordReading(link::WeightReading reading);
  void portOpenFailed(const link::PortOpenFailure& failure);
  QString searchCaption() const;
  void watchPan(const link::WeightReading& reading, bool fresh);
  void completePanWeighing();
  // The weighing's readings as a result row; false, the run failed, when a threshold is
  // not a number.
  bool addResultRow();
  // What the caption says while readings come: the pan's state in a hands-free run.
  QString receivingCaption() const;
  // Tells the window only of a change.
  void showCaption(const QString& suffix);
  void MarkDataReceived();
  bool CheckNoBalanceTimeout();
  void markAlert(const QString& message, bool limit, int row, const QString& mass);
  void WriteLogLine(const link::WeightReading& reading);
  void armWorkTime();
  void endRun();
  void fail(const QString& message);
  void endHiddenRun(RunEnd end, const QString& message);
  QString badNumberText(const weighing::ConversionError& error) const;
  QString logFailureText(const link::Failure& failure) const;

  weighing::MeasurementStore store_;
  AnimalTags tags_;
  std::string animal_;      // typed or scanned for the weighing on the pan
  std::string nextAnimal_;  // entered while it ran, for the next
  std::vector<journal::Animal> animals_;
  bool runActive_ = false;
  RunControls controls_;
  std::unique_ptr<link::ProtocolMemory> memory_;
  link::ReadingHandoff handoff_;
  std::unique_ptr<link::AcquisitionThread> acquisition_;
  std::unique_ptr<link::NoBalanceWatch> lastDataTime_;
  uint32_t noBalanceTimeout_ = link::NoBalanceWatch::kLimitMs;
  reports::HiddenLog hiddenLog_;
  std::optional<HiddenLogging> hidden_;
  int linesThisRun_ = 0;
  PollMode poll_ = PollMode::Timed;
  QTimer Timer2;
  QTimer Timer4;
  std::optional<std::chrono::steady_clock::time_point> workTimeEnd_;
  // The tick's four 50 ms waits, chained on the event loop so the window stays live.
  QTimer tickWait_;
  int tickWaitsDone_ = 0;
  // A press of the read button during the waits is kept and served when the tick ends.
  bool tickPending_ = false;
  // Why the port of this run did not open, said once after the search text.
  QString portFailure_;
  HandsFreeSwitch handsFree_;
  std::optional<weighing::LoadTrigger> loadTrigger_;
  QString caption_;
  // When the balance last delivered, for the caption while it is silent.
  QTime lastReadingAt_;
  uint64_t lastSequence_ = 0;
  link::WeightReading lastReading_;
  std::unique_ptr<ResultJournal> journal_;
};

}  // namespace tarvelo::session

Q_DECLARE_METATYPE(tarvelo::session::RunEnd)
