#include "session/weighing_session.h"

#include <QLocale>
#include <QTime>
#include <algorithm>
#include <utility>

#include "session/decimal_separator.h"
#include "session/port_failure_text.h"
#include "link/clock.h"
#include "weighing/acceptance.h"
#include "weighing/conversion_error.h"
#include "weighing/mass_in_grams.h"
#include "weighing/recording.h"
#include "weighing/stability_text.h"

namespace tarvelo::session {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kTickMs = 700;
constexpr int kManualTickMs = 200;
constexpr int kOnChangeFirstTickMs = 200;
constexpr int kTickWaitMs = 50;
constexpr int kTickWaits = 4;
// A timer's interval is a 32-bit count of milliseconds: a longer working time is
// waited out a day at a time.
constexpr int64_t kLongestTimerMs = 24LL * 60 * 60 * 1000;
const QString kSearching = QStringLiteral(" - Поиск весов... ");
const QString kReceiving = QStringLiteral(" - Прием данных... ");
const QString kWaitingForLoad = QStringLiteral(" - Ожидание груза... ");
const QString kWaitingForEmpty = QStringLiteral(" - Снимите груз... ");
const QString kLoadLeftEarly = QStringLiteral(" - Груз снят до конца взвешивания, результат не записан.");
const QString kSilentSince = QStringLiteral(" - Весы не отвечают с %1, поиск весов... ");

// The note of a result whose number is not on the list of animals to weigh.
const std::string kNotListed = "нет в списке";
// The note of a result whose typed or scanned number the journal cannot keep.
const std::string kNumberNotTaken = "номер не принят: ";
// The note of a result whose number was weighed before in the batch, and what the status line says.
const std::string kRepeated = "повторно в этой серии (строка ";
const QString kRepeatedMessage = QStringLiteral("№ %1 уже взвешен в этой серии (строка %2).");
const QString kWeighingOf = QStringLiteral("Взвешивается: № %1");
const QString kWeighingUnnamed = QStringLiteral("Взвешивается: номер не указан");
const QString kNextAnimal = QStringLiteral("Следующее: № %1");

int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch()).count();
}

// The system's long time format without its time zone: hours, minutes, seconds.
QString timeOfDay(QTime time = QTime::currentTime()) {
  QString format = QLocale::system().timeFormat(QLocale::LongFormat);
  format.remove('t');
  return time.toString(format.trimmed());
}

}  // namespace

WeighingSession::WeighingSession(RunControls controls, std::unique_ptr<link::ProtocolMemory> memory, QObject* parent)
    : QObject(parent), controls_(std::move(controls)), memory_(std::move(memory)) {
  Timer2.setInterval(kOnChangeFirstTickMs);
  connect(&Timer2, &QTimer::timeout, this, &WeighingSession::Timer2Timer);
  Timer4.setSingleShot(true);
  connect(&Timer4, &QTimer::timeout, this, &WeighingSession::Timer4Timer);
  tickWait_.setSingleShot(true);
  connect(&tickWait_, &QTimer::timeout, this, &WeighingSession::tickWaitElapsed);
}

WeighingSession::~WeighingSession() {
  if (acquisition_) acquisition_->stopAndJoin();
}

void WeighingSession::setReadingSource(link::AcquisitionThread::SourceFactory factory) {
  acquisition_ = std::make_unique<link::AcquisitionThread>(handoff_, std::move(factory), link::systemClock());
}

void WeighingSession::start(const RunStart& run) {
  hidden_ = run.hidden;
  linesThisRun_ = 0;
  workTimeEnd_.reset();
  lastDataTime_ = std::make_unique<link::NoBalanceWatch>(link::systemClock(), noBalanceTimeout_);
  hiddenLog_.startRun();
  store_.ClearBeforeNextWeight();
  store_.readingsPerWeighing = weighing::readingsForAveragingTime(run.averagingTime);
  portFailure_.clear();
  // Until a reading says which balance answers, none is named.
  store_.lBalInfo = weighing::kNoBalanceIdentity;
  showCaption(kSearching);
  if (!acquisition_) {
    // Heard on the acquisition thread; the session, which outlives that thread, takes it
    // on its own.
    setReadingSource(link::balanceOnSerialPort(memory_.get(), [this](const link::PortOpenFailure& failure) {
      QMetaObject::invokeMethod(this, [this, failure] { portOpenFailed(failure); }, Qt::QueuedConnection);
    }));
  }
  acquisition_->start(run.port, run.stabilityWindow, run.stabilityMaxChange);
  store_.statisticsWindow = run.statisticsWindow;
  runActive_ = true;
  if (run.handsFree && !hidden_) {
    loadTrigger_.emplace(run.handsFree->thresholdGrams, run.handsFree->emptyPauseMs);
  } else {
    loadTrigger_.reset();
  }
  StartPolling(hidden_ || loadTrigger_ ? PollMode::Timed : run.poll);
  if (!loadTrigger_) beginWeighing();
  store_.SetupCurrentGrid(controls_.inputs());
  emit storeChanged();
  emit animalChanged();
}

void WeighingSession::beginWeighing() {
  tags_.weighingBegan(steadyMs());
  const std::string typed = controls_.inputs().eAnimal;
  animal_ = typed.empty() ? nextAnimal_ : typed;
  nextAnimal_.clear();
  if (!typed.empty()) emit animalTaken();
  emit animalChanged();
}

void WeighingSession::queueAnimal(const std::string& number) {
  nextAnimal_ = number;
  emit animalChanged();
}

QString WeighingSession::animalText() const {
  QStringList parts;
  // Weighing without numbers, of things rather than animals, has nothing to say here.
  if (runActive_ && !watchingPan() && (!animal_.empty() || !animals_.empty())) {
    parts << (animal_.empty() ? kWeighingUnnamed : kWeighingOf.arg(QString::fromStdString(animal_)));
  }
  if (!nextAnimal_.empty()) parts << kNextAnimal.arg(QString::fromStdString(nextAnimal_));
  return parts.join("; ");
}

void WeighingSession::setJournal(std::unique_ptr<ResultJournal> journal) {
  journal_ = std::move(journal);
  connect(journal_.get(), &ResultJournal::backlogChanged, this, &WeighingSession::journalBacklog);
  connect(journal_.get(), &ResultJournal::recordsWritten, this, &WeighingSession::journalWritten);
  connect(journal_.get(), &ResultJournal::alert, this, &WeighingSession::markAlert);
  connect(journal_.get(), &ResultJournal::chainBroken, this, &WeighingSession::journalDamaged);
}

void WeighingSession::waitForJournal() {
  if (journal_) journal_->waitForWrites();
}

QString WeighingSession::closeJournal() { return journal_ ? journal_->close() : QString(); }

std::optional<journal::Head> WeighingSession::journalHead() const {
  return journal_ ? journal_->head() : std::nullopt;
}

void WeighingSession::titleCurrentGrid() {
  store_.StrGrid1.setCell(0, 0, "№");
  store_.StrGrid1.setCell(1, 0, "Время");
  store_.StrGrid1.setCell(2, 0, "Масса");
  store_.StrGrid1.setCell(3, 0, "Ед.изм.");
  emit storeChanged();
}

void WeighingSession::clearResults() {
  store_.ClearResults();
  if (journal_) journal_->resultsCleared();
  emit storeChanged();
}

void WeighingSession::clearForNewFields() {
  store_.ClearForNewFields();
  emit storeChanged();
}

void WeighingSession::removeResultRow(const weighing::RemovalDialogs& dialogs) {
  const int row = store_.selectedResultRow;
  if (weighing::RemoveResultRow(store_, controls_.inputs(), dialogs)) {
    tags_.resultRemoved(steadyMs());
    if (journal_) journal_->resultRemoved(store_, row);
  }
  emit storeChanged();
}

bool WeighingSession::pauseForOptions() {
  const bool watching = watchingPan();
  if (watching) stop();
  return watching;
}

void WeighingSession::selectResultRow(int row) { store_.SelectResultRow(row); }

weighing::GraphRange WeighingSession::showGraphRange(int startNum, int lastNum) {
  return weighing::ShowGraphRange(store_, startNum, lastNum, controls_.inputs());
}

void WeighingSession::portOpenFailed(const link::PortOpenFailure& failure) {
  if (!runActive_) return;
  portFailure_ = portFailureText(failure);
  showCaption(searchCaption());
}

void WeighingSession::showCaption(const QString& suffix) {
  if (suffix == caption_) return;
  caption_ = suffix;
  emit captionChanged(suffix);
}

QString WeighingSession::searchCaption() const {
  return portFailure_.isEmpty() ? kSearching : kSearching + portFailure_ + " ";
}

void WeighingSession::StartPolling(PollMode poll) {
  poll_ = poll;
  store_.onChangeMode = poll == PollMode::OnChange;
  switch (poll) {
    case PollMode::Manual:
      Timer2.setInterval(kManualTickMs);
      Timer2.start();
      store_.manualFirstTick = true;
      break;
    case PollMode::OnChange:
      Timer2.start();
      break;
    case PollMode::Timed:
      Timer2.setInterval(kTickMs);
      Timer2.start();
      Timer2Timer();
      break;
  }
}

void WeighingSession::Timer2Timer() {
  if (!runActive_) return;
  // The previous tick is still in its waits.
  if (tickWait_.isActive()) {
    tickPending_ = true;
    return;
  }
  handoff_.requestReading(controls_.stabilityCheck());
  tickWaitsDone_ = 0;
  tickWait_.start(kTickWaitMs);
}

void WeighingSession::tickWaitElapsed() {
  // Ending a run stops the waits, so a tick never outlives its run; this is the guard.
  if (!runActive_) return;
  if (CheckNoBalanceTimeout()) return;
  if (++tickWaitsDone_ < kTickWaits) {
    tickWait_.start(kTickWaitMs);
    return;
  }
  finishTick();
  if (std::exchange(tickPending_, false)) Timer2Timer();
}

void WeighingSession::finishTick() {
  link::WeightReading reading;
  uint64_t sequence = 0;
  if (!handoff_.takeReading(reading, &sequence)) return;
  const bool fresh = sequence != lastSequence_;
  lastSequence_ = sequence;
  lastReading_ = reading;
  if (poll_ == PollMode::Manual) {
    emit manualReadingReady();
    Timer2.stop();
    if (store_.manualFirstTick) {
      store_.manualFirstTick = false;
      // A tick the timer asked for during these waits is no press: the read button was
      // not yet there to be pressed. Run now, it would record a reading nobody chose.
      tickPending_ = false;
      return;
    }
  }
  if (hidden_) {
    // The hand-off keeps its flags, so a later tick takes the newest reading; a reading
    // already logged is no sign that the balance still answers.
    if (!fresh) return;
    MarkDataReceived();
    WriteLogLine(reading);
    return;
  }
  if (loadTrigger_) {
    watchPan(reading, fresh);
    return;
  }
  MarkDataReceived();
  recordReading(reading);
  handoff_.readingDone();
}

void WeighingSession::watchPan(const link::WeightReading& reading, bool fresh) {
  // A reading already seen tells nothing new about the pan.
  if (!fresh) return;
  const std::string_view unit(reading.unit.data(), reading.unit.size());
  switch (loadTrigger_->onReading(weighing::massInGrams(reading.weight, unit), steadyMs())) {
    case weighing::LoadTrigger::Action::StartWeighing:
      beginWeighing();
      store_.ClearBeforeNextWeight();
      store_.SetupCurrentGrid(controls_.inputs());
      emit storeChanged();
      break;
    case weighing::LoadTrigger::Action::Record:
      recordReading(reading);
      handoff_.readingDone();
      break;
    case weighing::LoadTrigger::Action::DropWeighing:
      // The mouse that jumped off is weighed again under its number.
      if (nextAnimal_.empty()) nextAnimal_ = animal_;
      animal_.clear();
      emit animalChanged();
      store_.ClearBeforeNextWeight();
      emit storeChanged();
      break;
    case weighing::LoadTrigger::Action::Ignore:
      break;
  }
  // Recording may have ended the run.
  if (loadTrigger_) MarkDataReceived();
}

QString WeighingSession::receivingCaption() const {
  if (!loadTrigger_) return kReceiving;
  const QString leftEarly = loadTrigger_->loadLeftEarly() ? kLoadLeftEarly : QString();
  switch (loadTrigger_->state()) {
    case weighing::LoadTrigger::State::Weighing:
      return kReceiving;
    case weighing::LoadTrigger::State::WaitingForEmpty:
      return leftEarly + kWaitingForEmpty;
    case weighing::LoadTrigger::State::WaitingForLoad:
      break;
  }
  return leftEarly + kWaitingForLoad;
}

// The run goes on, watching the pan for the next load.
void WeighingSession::completePanWeighing() {
  if (!addResultRow()) return;
  loadTrigger_->weighingDone();
  emit storeChanged();
  emit resultRecorded();
}

void WeighingSession::recordReading(link::WeightReading reading) {
  const weighing::WeighingInputs in = controls_.inputs();
  try {
    if (weighing::AcceptReading(store_, reading, in) &&
        weighing::RecordReading(store_, reading, timeOfDay().toStdString(), in)) {
      if (loadTrigger_) {
        completePanWeighing();
      } else {
        stop();
      }
      return;
    }
  } catch (const weighing::ConversionError& error) {
    // A threshold edited into something that is not a number: the weighing so far
    // is not a result anyone asked for.
    fail(badNumberText(error));
    return;
  }
  emit storeChanged();
}

void WeighingSession::MarkDataReceived() {
  lastDataTime_->signOfLife();
  lastReadingAt_ = QTime::currentTime();
  portFailure_.clear();
  showCaption(receivingCaption());
}

bool WeighingSession::CheckNoBalanceTimeout() {
  if (!lastDataTime_->expired()) return false;
  // A hands-free run keeps searching for its balance, as long as it takes.
  if (loadTrigger_) showCaption(searchCaption());
  if (!hidden_) return false;
  // Once it has logged, a hidden run rides out the outage: the balance is searched again
  // and logging resumes with the next line.
  if (linesThisRun_ > 0) {
    showCaption(kSilentSince.arg(timeOfDay(lastReadingAt_)));
    return false;
  }
  if (const std::optional<link::Failure> refused = hiddenLog_.writeNoBalance(hidden_->file)) {
    const QString failure = logFailureText(*refused);
    endRun();
    emit runEnded(RunEnd::HiddenFailed, "Весы не найдены. " + failure);
  } else {
    endRun();
    emit runEnded(RunEnd::NoBalance, {});
  }
  return true;
}

void WeighingSession::WriteLogLine(const link::WeightReading& reading) {
  if (linesThisRun_ == 0 && hidden_->workTimeMs) {
    // The working time counts from the first line.
    workTimeEnd_ = SteadyClock::now() + std::chrono::milliseconds(*hidden_->workTimeMs);
    armWorkTime();
  }
  store_.stabilityText = weighing::stabilityText(reading.stable != 0);
  const std::optional<link::Failure> refused = hiddenLog_.WriteLogLine(
      hidden_->file, hidden_->lineLimit.has_value(), timeOfDay().toStdString(), reading,
      systemDecimalSeparator());
  if (refused) {
    const QString failure = logFailureText(*refused);
    endRun();
    emit runEnded(RunEnd::HiddenFailed, failure);
    return;
  }
  ++linesThisRun_;
  if (hidden_->lineLimit && hiddenLog_.logLineCount() >= *hidden_->lineLimit) endHiddenRun(RunEnd::HiddenDone, {});
}

void WeighingSession::armWorkTime() {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*workTimeEnd_ - SteadyClock::now());
  Timer4.start(static_cast<int>(std::clamp<int64_t>(left.count(), 0, kLongestTimerMs)));
}

void WeighingSession::Timer4Timer() {
  if (!runActive_ || !workTimeEnd_) return;
  if (SteadyClock::now() < *workTimeEnd_) {
    armWorkTime();
    return;
  }
  endHiddenRun(RunEnd::HiddenDone, {});
}

void WeighingSession::stop() {
  // A hands-free run between weighings has given every result already.
  const bool weighingOpen = !watchingPan();
  endRun();
  if (hidden_) {
    if (const std::optional<link::Failure> refused = hiddenLog_.SaveLog(hidden_->file)) {
      emit runEnded(RunEnd::HiddenFailed, logFailureText(*refused));
      return;
    }
  }
  const bool failed = weighingOpen && !addResultRow();
  // What was read or typed for a dropped weighing names nobody later.
  tags_.weighingDropped(steadyMs());
  animal_.clear();
  emit animalChanged();
  if (failed) return;
  emit storeChanged();
  emit runEnded(RunEnd::Stopped, {});
}

void WeighingSession::markAlert(const QString& message, bool limit, int row, const QString& mass) {
  weighing::TextGrid& results = store_.sgRes;
  // The same row still: a removal may have moved another into its place.
  if (row >= 1 && row < results.rowCount() && results.cell(weighing::ResultMass, row) == mass.toStdString()) {
    const std::string mark = limit ? journal::kLimitMark : journal::kWarningMark;
    const std::string note = results.cell(weighing::ResultNote, row);
    results.setCell(weighing::ResultNote, row, note.empty() ? mark : mark + "; " + note);
    emit storeChanged();
  }
  emit weightAlert(message);
}

void WeighingSession::tagRead(const std::string& number, std::optional<std::int64_t> atMs) {
  tags_.tagRead(number, atMs.value_or(steadyMs()));
}

Identity WeighingSession::rowIdentity(std::string& note, const journal::Animal*& listed) const {
  Identity identity = animalOf(animal_, tags_.identity());
  // A number the journal cannot keep (a stray control key, scans run together) names nobody.
  const std::optional<std::string> refused = journal::animalNumberRefusal(identity.animal);
  if (refused) identity.animal.clear();
  const auto found = std::find_if(animals_.begin(), animals_.end(),
                                  [&identity](const journal::Animal& animal) { return animal.number == identity.animal; });
  listed = found == animals_.end() ? nullptr : &*found;
  const bool unlisted = !identity.animal.empty() && !animals_.empty() && listed == nullptr;
  for (const std::string& part : {refused ? kNumberNotTaken + *refused : std::string(),
                                  unlisted ? kNotListed : std::string(), identity.note}) {
    if (!part.empty()) note += (note.empty() ? "" : "; ") + part;
  }
  return identity;
}

std::string WeighingSession::repeatNote(int row) {
  const std::string animal = store_.sgRes.cell(weighing::ResultAnimal, row);
  if (animal.empty()) return {};
  for (int other = 1; other < store_.sgRes.rowCount(); ++other) {
    if (other == row || store_.sgRes.cell(weighing::ResultAnimal, other) != animal) continue;
    emit animalRepeated(kRepeatedMessage.arg(QString::fromStdString(animal)).arg(other));
    return kRepeated + std::to_string(other) + ")";
  }
  return {};
}

bool WeighingSession::addResultRow() {
  try {
    // The number given when the weighing began, and its tags: not what the field holds now.
    weighing::WeighingInputs inputs = controls_.inputs();
    std::string note;
    const journal::Animal* listed = nullptr;
    inputs.eAnimal = rowIdentity(note, listed).animal;
    const weighing::StopOutcome outcome = weighing::StopWeighing(store_, inputs);
    if (outcome.lastNum) emit lastNumChanged(*outcome.lastNum);
    if (outcome.resultAdded) {
      // The new row is the selected one.
      const int row = store_.selectedResultRow;
      const std::string repeated = repeatNote(row);
      if (!repeated.empty()) note += (note.empty() ? "" : "; ") + repeated;
      store_.sgRes.setCell(weighing::ResultNote, row, note);
      tags_.weighingEnded(steadyMs());
    }
    if (outcome.resultAdded && journal_) journal_->resultAdded(store_, store_.selectedResultRow, listed);
    if (outcome.resultAdded) emit resultAdded();
    animal_.clear();
    emit animalChanged();
  } catch (const weighing::ConversionError& error) {
    fail(badNumberText(error));
    return false;
  }
  return true;
}

// Nothing of the ended run runs on: no tick, no working time, no reading.
void WeighingSession::endRun() {
  runActive_ = false;
  Timer2.stop();
  Timer4.stop();
  tickWait_.stop();
  tickPending_ = false;
  workTimeEnd_.reset();
  loadTrigger_.reset();
  if (acquisition_) acquisition_->stop();
  showCaption({});
}

void WeighingSession::fail(const QString& message) {
  const bool handsFree = loadTrigger_.has_value();
  endRun();
  emit storeChanged();
  emit runEnded(handsFree ? RunEnd::HandsFreeFailed : RunEnd::Failed, message);
}

// A hidden run ends with every line it logged kept in its file.
void WeighingSession::endHiddenRun(RunEnd end, const QString& message) {
  endRun();
  if (const std::optional<link::Failure> refused = hiddenLog_.SaveLog(hidden_->file)) {
    emit runEnded(RunEnd::HiddenFailed, logFailureText(*refused));
    return;
  }
  emit runEnded(end, message);
}

QString notANumberText(const QString& text, const QString& field) {
  const QString where = field.isEmpty() ? QString() : QString(" в поле «%1»").arg(field.trimmed());
  return QString("«%1»%2 не является допустимым числом.").arg(text, where);
}

QString WeighingSession::badNumberText(const weighing::ConversionError& error) const {
  QString field;
  switch (error.field()) {
    case weighing::InputField::MaxDif:
      field = controls_.maxDifName;
      break;
    case weighing::InputField::MinimW:
      field = controls_.minimWName;
      break;
    case weighing::InputField::None:
      break;
  }
  return notANumberText(QString::fromStdString(error.text()), field) +
         " Взвешивание прервано, результат не записан.";
}

QString WeighingSession::logFailureText(const link::Failure& failure) const {
  return QString("Не удалось записать файл журнала «%1»: %2.")
      .arg(QString::fromStdU16String(hidden_->file.u16string()), QString::fromStdString(failure.message));
}

}  // namespace tarvelo::session
