// Weighing runs without any window: the session against a balance scripted in the
// test, so every ending of a run can be timed as the test needs.
#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "session/journal_entry.h"
#include "session/result_journal.h"
#include "session/tag_reader_link.h"
#include "session/weighing_session.h"
#include "link/com_port_path.h"
#include "tests/support/settings_sandbox.h"
#include "tests/support/simulator_process.h"
#include "weighing/number_text.h"
#include "weighing/results_table.h"

namespace tarvelo::session {

namespace {

constexpr int kRunMs = 10'000;
// Above the 700 ms tick, so a live balance always answers in time.
constexpr uint32_t kNoBalanceMs = 1500;
constexpr int kHandsFreeCom = 25;
constexpr int kMissingCom = 26;
constexpr int kOutageCom = 27;
constexpr int kKilogramCom = 28;
constexpr int kCageCom = 29;
constexpr int kCageReaderCom = 30;
constexpr char kOutageSeconds[] = "3";
constexpr int kOutageRunMs = 20'000;
constexpr int kLinesAcrossTheOutage = 12;
const std::vector<std::string> kDistinctWeights{"21.01", "21.02", "21.03", "21.04", "21.05", "21.06", "21.07",
                                                "21.08", "21.09", "22.01", "22.02", "22.03", "22.04", "22.05",
                                                "22.06", "22.07", "22.08", "22.09", "23.01", "23.02"};
// The same as the log writes them.
QSet<QString> sentWeights() {
  QSet<QString> shown;
  for (const std::string& weight : kDistinctWeights) shown.insert(QString::fromStdString(weight).replace('.', ','));
  return shown;
}
const QSet<QString> kSentWeights = sentWeights();
constexpr int kSeveralSearchesMs = 3000;
constexpr int64_t kEmptyPauseMs = 500;
constexpr int kCageMs = 40'000;
constexpr int kTwoTicksMs = 1400;
constexpr double kMouseGrams = 25.0;
constexpr double kExactGrams = 1e-9;
// Two readings of a mouse with 0.3 g of noise average well within this.
constexpr double kMeanToleranceGrams = 1.0;

// A balance that streams a new reading at every call while it is live: a load of 25 g and
// more while something is on the pan, else 0.
class ScriptedBalance final : public link::ReadingSource {
 public:
  ScriptedBalance(std::shared_ptr<std::atomic<bool>> live, std::shared_ptr<std::atomic<bool>> loaded)
      : live_(std::move(live)), loaded_(std::move(loaded)) {}
  bool Acquire(link::WeightReading& places) override {
    if (!*live_) return false;
    ++delivered_;
    places.weight = *loaded_ ? 25.0 + delivered_ : 0.0;
    places.unit = {'g', '\0', '\0', '\0'};
    places.stable = 1;
    return true;
  }

 private:
  std::shared_ptr<std::atomic<bool>> live_;
  std::shared_ptr<std::atomic<bool>> loaded_;
  int delivered_ = 0;
};

QStringList linesOf(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QString text = QString::fromUtf8(file.readAll());
  return text.isEmpty() ? QStringList{} : text.chopped(2).split("\r\n");
}

}  // namespace

class WeighingSessionTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    qRegisterMetaType<tarvelo::session::RunEnd>();
  }

  void init() {
    inputs = weighing::WeighingInputs();
    balanceLive = std::make_shared<std::atomic<bool>>(false);
    panLoaded = std::make_shared<std::atomic<bool>>(true);
    session = std::make_unique<WeighingSession>(
        RunControls{[this] { return inputs; }, [] { return false; }, "При изменении", "Не принимать"},
        nullptr);
    session->setReadingSource([live = balanceLive, loaded = panLoaded](int32_t, const link::StopSignal&) {
      return std::make_unique<ScriptedBalance>(live, loaded);
    });
    session->setNoBalanceTimeout(kNoBalanceMs);
    ended = std::make_unique<QSignalSpy>(session.get(), &WeighingSession::runEnded);
    logDir = std::make_unique<QTemporaryDir>();
    logFile = logDir->filePath("журнал.txt");
  }

  void cleanup() { session.reset(); }

  // The run ends on its working time while ticks go on: nothing after the end may
  // reopen the log, and every line stays.
  void workingTimeEndKeepsEveryLine() {
    *balanceLive = true;
    startHidden(std::nullopt, 1500);
    QTRY_COMPARE_WITH_TIMEOUT(ended->count(), 1, kRunMs);
    QCOMPARE(endOf(0), RunEnd::HiddenDone);
    const QStringList atEnd = linesOf(logFile);
    QVERIFY2(atEnd.size() >= 3, qPrintable(atEnd.join('|')));
    QTest::qWait(1000);
    QCOMPARE(linesOf(logFile), atEnd);
    QCOMPARE(ended->count(), 1);
  }

  // A working time beyond what a timer interval holds (24,8 days) still counts down.
  void workingTimeOfMonthsCounts() {
    *balanceLive = true;
    constexpr int64_t kThirtyDaysMs = 30LL * 24 * 60 * 60 * 1000;
    startHidden(std::nullopt, kThirtyDaysMs);
    QTRY_VERIFY_WITH_TIMEOUT(linesOf(logFile).size() >= 2, kRunMs);
    QVERIFY(session->workTimeCounting());
    QVERIFY(session->running());
  }

  // A run stopped while a tick is in its waits, with a new reading already handed over:
  // that tick logs nothing.
  void tickInItsWaitsWhenTheRunEndsDoesNothing() {
    *balanceLive = true;
    startHidden(100, std::nullopt);
    QTRY_VERIFY_WITH_TIMEOUT(!linesOf(logFile).isEmpty(), kRunMs);
    session->Timer2Timer();
    QTest::qWait(100);  // the balance answers the tick's request
    session->stop();
    const QStringList atStop = linesOf(logFile);
    QTest::qWait(600);
    QCOMPARE(linesOf(logFile), atStop);
    QCOMPARE(ended->count(), 1);
  }

  // A balance that answers only after the run gave up leaves the no-balance file alone.
  void noBalanceFileIsTheLastWord() {
    startHidden(3, std::nullopt);
    QTRY_COMPARE_WITH_TIMEOUT(ended->count(), 1, kRunMs);
    QCOMPARE(endOf(0), RunEnd::NoBalance);
    *balanceLive = true;
    QTest::qWait(1000);
    QFile file(logFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("no balance detected\0", 20));
  }

  // No balance, and the no-balance file cannot be written either: the run says so.
  void noBalanceWithAnUnwritableLogSaysSo() {
    logFile = logDir->filePath("missing-folder/журнал.txt");
    startHidden(3, std::nullopt);
    QTRY_COMPARE_WITH_TIMEOUT(ended->count(), 1, kRunMs);
    QCOMPARE(endOf(0), RunEnd::HiddenFailed);
    const QString message = ended->at(0).at(1).toString();
    QVERIFY2(message.startsWith("Весы не найдены.") && message.contains(logFile), qPrintable(message));
  }

  // A balance on the line that falls silent after four readings, for longer than the
  // no-balance limit, then speaks again: the hidden run says since when it is silent,
  // searches the port again and logs on, numbering on, until its limit. Every line is a
  // reading the balance sent.
  void hiddenRunRidesOutAnOutage() {
    const testing::SimulatorProcess balance(
        kOutageCom, {"--protocol", "bm", "--weights", testing::writeWeightsFile(kDistinctWeights).string(),
                     "--silent-after", "4", "--silent-for", kOutageSeconds, "--unstable-every", "0"});
    session->setReadingSource(link::balanceOnSerialPort());
    QSignalSpy captions(session.get(), &WeighingSession::captionChanged);
    startHidden(kLinesAcrossTheOutage, std::nullopt, kOutageCom);
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(captions.begin(), captions.end(),
                                         [](const QVariantList& c) {
                                           return c.value(0).toString().startsWith(" - Весы не отвечают с ");
                                         }),
                             kRunMs);
    QVERIFY(session->running());
    const qsizetype linesBeforeTheEnd = linesOf(logFile).size();
    QVERIFY2(linesBeforeTheEnd >= 1 && linesBeforeTheEnd <= 4, qPrintable(linesOf(logFile).join('|')));
    QTRY_COMPARE_WITH_TIMEOUT(ended->count(), 1, kOutageRunMs);
    QCOMPARE(endOf(0), RunEnd::HiddenDone);
    const QStringList lines = linesOf(logFile);
    QCOMPARE(lines.size(), kLinesAcrossTheOutage);
    for (int i = 0; i < lines.size(); ++i) {
      QVERIFY2(lines[i].startsWith(QString::number(i + 1) + "\t"), qPrintable(lines[i]));
      QVERIFY2(kSentWeights.contains(lines[i].section('\t', 2, 2)), qPrintable(lines[i]));
    }
  }

  // A second press of the read button while the first is still in its waits is served after it.
  void readPressDuringTheWaitsIsKept() {
    *balanceLive = true;
    QSignalSpy ready(session.get(), &WeighingSession::manualReadingReady);
    RunStart run;
    run.statisticsWindow = 20;
    run.averagingTime = 60;
    run.poll = PollMode::Manual;
    session->start(run);
    QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, kRunMs);  // the first tick only primes the hand-off
    session->Timer2Timer();
    session->Timer2Timer();
    QTRY_COMPARE_WITH_TIMEOUT(store().recordNumber, 2, kRunMs);
  }

  // A threshold that stops being a number ends the weighing without a result row.
  void thresholdThatIsNoNumberEndsWithoutAResultRow() {
    *balanceLive = true;
    inputs.MinWCB = true;
    RunStart run;
    run.statisticsWindow = 20;
    run.averagingTime = 60;
    session->start(run);
    QTRY_VERIFY_WITH_TIMEOUT(store().recordNumber >= 2, kRunMs);
    const int rows = store().sgRes.rowCount();
    // The field named is the one read, not one whose text looks the same.
    inputs.MaxDif = "abc";
    inputs.MinimW = "abc";
    QTRY_COMPARE_WITH_TIMEOUT(ended->count(), 1, kRunMs);
    QCOMPARE(endOf(0), RunEnd::Failed);
    QVERIFY2(ended->at(0).at(1).toString().contains("«При изменении»"), qPrintable(ended->at(0).at(1).toString()));
    QCOMPARE(store().sgRes.rowCount(), rows);
    QVERIFY(!session->running());
  }

  // Nobody may be watching a hands-free run: its failure says so, for the window to tell
  // without a box that waits.
  void handsFreeRunWhoseThresholdIsNoNumberFailsAsUnattended() {
    *balanceLive = true;
    *panLoaded = false;
    inputs.MinWCB = true;
    startHandsFree(1, 2.0, 60);
    QTRY_VERIFY_WITH_TIMEOUT(session->watchingPan(), kRunMs);
    QTest::qWait(kTwoTicksMs);  // armed by the empty pan
    *panLoaded = true;
    QTRY_VERIFY_WITH_TIMEOUT(store().recordNumber >= 2, kRunMs);
    inputs.MinimW = "abc";
    QTRY_COMPARE_WITH_TIMEOUT(ended->count(), 1, kRunMs);
    QCOMPARE(endOf(0), RunEnd::HandsFreeFailed);
  }

  // The threshold is in grams whatever unit the balance sends: on a balance that sends
  // kilograms, a 1,5 g crumb (0,0015 kg) stays below 2 g and a 25 g mouse does not. The
  // journal keeps the mouse in grams from its readings, beside the grid's texts.
  void handsFreeThresholdIsInGramsOnAKilogramBalance() {
    const testing::SimulatorProcess balance(
        kKilogramCom, {"--protocol", "tsk", "--profile", "8:0:0,3:1.5:0,2:0:0,4:25:0,60:0:0", "--unstable-every", "0",
                       "--unstable-step", "0"});
    session->setReadingSource(link::balanceOnSerialPort());
    QSignalSpy results(session.get(), &WeighingSession::resultRecorded);
    const QObject listener;
    std::optional<journal::JournalRecord> record;
    connect(session.get(), &WeighingSession::resultRecorded, &listener,
            [&] { record = resultRecord(store(), store().selectedResultRow, {}, QDateTime::currentDateTime()); });
    startHandsFree(kKilogramCom, 2.0);
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 1, kCageMs);
    session->stop();
    // The mouse, in the balance's kilograms shown to two decimals (the crumb would show 0,00).
    QCOMPARE(QString::fromStdString(store().sgRes.cell(weighing::ResultMass, 1)), QString("0,03"));
    QVERIFY(record && record->grams);
    QVERIFY2(std::abs(*record->grams - kMouseGrams) < kExactGrams, std::to_string(*record->grams).c_str());
    QCOMPARE(record->mass, std::string("0,03"));
    QCOMPARE(record->unit, std::string("г"));
  }

  // A cage of five mice, each on the pan longer than its weighing takes: one row each,
  // none from the empty pan or from lifting a mouse off.
  void handsFreeGivesOneRowPerMouse() {
    const std::vector<int> mice{24, 27, 30, 26, 29};
    // Each mouse stays for five ticks; the pan stays empty for three between them.
    std::string profile = "2:0:0.05";
    for (const int mouse : mice) profile += ",3.5:" + std::to_string(mouse) + ":0.3,2:0:0.05";
    profile += ",60:0:0.05";
    const testing::SimulatorProcess balance(kHandsFreeCom, {"--protocol", "bm", "--profile", profile,
                                                           "--unstable-every", "0", "--unstable-step", "0"});
    session->setReadingSource(link::balanceOnSerialPort());
    QSignalSpy results(session.get(), &WeighingSession::resultRecorded);
    startHandsFree(kHandsFreeCom, 2.0);
    QTRY_COMPARE_WITH_TIMEOUT(results.count(), 5, kCageMs);
    QTest::qWait(kTwoTicksMs);
    session->stop();  // on an empty pan: nothing more
    QCOMPARE(results.count(), 5);
    QCOMPARE(store().sgTotal.cell(weighing::BatchCount, 0), std::string("5"));
    double total = 0;
    for (int row = 1; row <= 5; ++row) {
      const double mass = weighing::parseNumber(store().sgRes.cell(weighing::ResultMass, row));
      QVERIFY2(std::abs(mass - mice[static_cast<std::size_t>(row - 1)]) < kMeanToleranceGrams,
               store().sgRes.cell(weighing::ResultMass, row).c_str());
      total += mass;
    }
    QCOMPARE(weighing::parseNumber(store().sgTotal.cell(weighing::TotalMass, 0)), total);
  }

  // A tag names the weighing it was read for, by the reader's time: a few seconds before
  // the load at most, or while the load is on; read twice it is one; two name nobody. A tag
  // that named the last weighing, read again as that mouse leaves, does not name the next
  // unless read while the next is on the pan; one read before "Прервать" names nothing after.
  void tagsCountFromShortlyBeforeTheWeighingBegins() {
    const std::string first = "985000000000001", second = "985000000000002", third = "985000000000003";
    AnimalTags tags;
    tags.tagRead(third, 0);
    tags.tagRead(first, 1000);
    tags.weighingBegan(1000 + kTagLeadMs);
    QCOMPARE(tags.identity()->animal, first);
    tags.tagRead(first, 6500);
    tags.weighingEnded(7000);
    tags.tagRead(first, 8000);  // as it leaves the pan
    tags.weighingBegan(9000);
    QVERIFY(!tags.identity());
    tags.tagRead(first, 9500);  // the same mouse back on the pan
    QCOMPARE(tags.identity()->animal, first);
    tags.weighingEnded(10'000);
    tags.tagRead(second, 11'000);
    tags.weighingDropped(13'000);
    tags.weighingBegan(13'000);
    QVERIFY(!tags.identity());
    tags.tagRead(second, 13'500);
    tags.tagRead(third, 12'900);  // read before the drop, heard after it
    tags.tagRead(third, 14'000);
    QCOMPARE(tags.identity()->animal, std::string());
    QVERIFY(tags.identity()->note.find(second + ", " + third) != std::string::npos);
  }

  // In a hands-free run the tag read as a mouse goes onto the pan names its row, and the
  // typed number one without a tag (weighed though not on the list, and marked so); the
  // last mouse's tag read again on the empty pan names nobody; a number weighed twice is
  // marked; a tag against the number typed, or two tags, give no number and say why.
  void handsFreeRowsTakeTheirTags() {
    const std::string tagged = "985000000000001";
    journal::Animal listed;
    listed.number = tagged;
    session->setAnimals({listed});
    *balanceLive = true;
    *panLoaded = false;
    QSignalSpy results(session.get(), &WeighingSession::resultRecorded);
    QSignalSpy repeated(session.get(), &WeighingSession::animalRepeated);
    startHandsFree(1, 2.0, 3);
    const auto weighMouse = [&](const std::string& typed, const std::vector<std::string>& before,
                                const std::vector<std::string>& during) {
      inputs.eAnimal = typed;
      QTRY_VERIFY_WITH_TIMEOUT(session->watchingPan(), kRunMs);
      QTest::qWait(kTwoTicksMs);  // the empty pan is seen
      for (const std::string& tag : before) session->tagRead(tag);
      *panLoaded = true;
      QTRY_VERIFY_WITH_TIMEOUT(!session->watchingPan(), kRunMs);
      inputs.eAnimal = "К-8";  // typed while it is on the pan: not its number
      for (const std::string& tag : during) session->tagRead(tag);
      const qsizetype done = results.count() + 1;
      QTRY_COMPARE_WITH_TIMEOUT(results.count(), done, kRunMs);
      *panLoaded = false;
    };
    weighMouse({}, {tagged}, {tagged});
    weighMouse({}, {tagged}, {});
    weighMouse("К-7", {}, {});
    weighMouse("К-7", {}, {});
    weighMouse("К-7", {}, {tagged});
    weighMouse({}, {}, {"985000000000002", "985000000000003"});
    weighMouse(std::string(40, '7'), {}, {});  // scans run together
    session->stop();
    const std::vector<std::string> animals{tagged, "", "К-7", "К-7", "", "", ""};
    const std::vector<std::string> notes{"", "", "нет в списке", "нет в списке; повторно в этой серии (строка 3)",
                                         "метка и номер не совпадают: метка " + tagged + ", номер К-7", "",
                                         "номер не принят: номер длиннее 32 знаков (40)"};
    for (int row = 1; row <= 7; ++row) {
      QCOMPARE(store().sgRes.cell(weighing::ResultAnimal, row), animals[static_cast<size_t>(row - 1)]);
      if (row != 6) QCOMPARE(store().sgRes.cell(weighing::ResultNote, row), notes[static_cast<size_t>(row - 1)]);
    }
    QVERIFY(!store().sgRes.cell(weighing::ResultNote, 6).empty());
    QCOMPARE(repeated.count(), 1);
  }

  // A weighing dropped with "Прервать" 2 s after a tag was read: the next mouse, put on
  // within the tag's few seconds but never read, gets no number.
  void tagOfAWeighingDroppedByStopNamesNoLaterOne() {
    RunStart run;
    run.statisticsWindow = 20;
    run.averagingTime = 1;
    session->tagRead("985000000000001");
    session->start(run);  // the balance is silent: no reading, no row
    QTest::qWait(2000);
    session->stop();
    *balanceLive = true;
    session->start(run);
    QTRY_COMPARE_WITH_TIMEOUT(store().sgRes.cell(weighing::ResultNumber, 1), std::string("1"), kRunMs);
    QCOMPARE(store().sgRes.cell(weighing::ResultAnimal, 1), std::string());
  }

  // Ten tagged mice weighed hands-free on day 1, their tags read as they go onto the pan,
  // and in another order on day 3, each scanned after the one before is done: every row and
  // record carries its mouse's number, and only the mouse down to 79 % of its first
  // weighing raises an alert, the limit's, with its number and cage.
  void tenMiceReadThenScannedOverTwoDaysFlagOnlyTheOneThatLost() {
    constexpr int kMice = 10;
    constexpr int kLoser = 7;
    std::vector<journal::Animal> list(kMice);
    std::vector<double> grams(kMice);
    for (int mouse = 0; mouse < kMice; ++mouse) {
      list[mouse].number = "9850000000001" + std::to_string(10 + mouse);
      list[mouse].cage = mouse < kMice / 2 ? "К-1" : "К-2";
      list[mouse].earMark = "Л" + std::to_string(mouse);
      grams[mouse] = 20 + 2 * mouse;  // 2 g apart: a row with another mouse's tag shows
    }
    session->setAnimals(list);
    QDateTime now(QDate(2026, 12, 1), QTime(10, 0));
    const std::filesystem::path path = logDir->filePath("журнал.sqlite").toStdU16String();
    auto owned = std::make_unique<ResultJournal>(
        path, [] { return JournalContext{"Иванов И.И.", "П-7"}; }, [] { return journal::AlertShares{}; },
        [&now] { return now; });
    ResultJournal& written = *owned;
    session->setJournal(std::move(owned));
    TagReaderLink reader;
    connect(&reader, &TagReaderLink::tagRead, session.get(), [this](const QString& tag) { session->tagRead(tag.toStdString()); });
    session->setReadingSource(link::balanceOnSerialPort());
    QSignalSpy results(session.get(), &WeighingSession::resultRecorded);
    QSignalSpy alerts(session.get(), &WeighingSession::weightAlert);
    const auto weighDay = [&](const std::vector<int>& order, bool scanned) {
      std::string profile = "2:0:0.05";
      std::string tags;
      for (const int mouse : order) {
        profile += ",3.5:" + QString::number(grams[mouse], 'f', 2).toStdString() + ":0.05,2:0:0.05";
        tags += (tags.empty() ? "" : ",") + list[mouse].number;
      }
      std::vector<std::string> options{"--protocol", "bm", "--profile", profile + ",60:0:0.05", "--unstable-every",
                                       "0", "--unstable-step", "0"};
      if (!scanned) options.insert(options.end(), {"--tag-reader-com", std::to_string(kCageReaderCom), "--tags", tags});
      const testing::SimulatorProcess balance(kCageCom, options);
      const qsizetype before = results.count();
      // The scanner: the next mouse's code as the row of the one before is made.
      size_t next = 1;
      const QMetaObject::Connection scanning = connect(session.get(), &WeighingSession::resultAdded, this, [&] {
        inputs.eAnimal = scanned && next < order.size() ? list[order[next]].number : std::string();
        ++next;
      });
      inputs.eAnimal = scanned ? list[order.front()].number : std::string();
      if (!scanned) reader.read(kCageReaderCom, 9600);
      startHandsFree(kCageCom, 2.0);
      QTRY_COMPARE_WITH_TIMEOUT(results.count(), before + kMice, kCageMs * 2);
      session->stop();
      reader.read(0, 0);
      disconnect(scanning);
      for (int row = 1; row <= kMice; ++row) {
        const int mouse = order[static_cast<size_t>(row - 1)];
        const int gridRow = static_cast<int>(before) + row;
        QCOMPARE(store().sgRes.cell(weighing::ResultAnimal, gridRow), list[mouse].number);
        const double mass = weighing::parseNumber(store().sgRes.cell(weighing::ResultMass, gridRow));
        QVERIFY2(std::abs(mass - grams[mouse]) < kMeanToleranceGrams / 2, store().sgRes.cell(weighing::ResultMass, gridRow).c_str());
      }
    };
    weighDay({3, 7, 0, 9, 5, 1, 8, 2, 6, 4}, false);
    if (QTest::currentTestFailed()) return;
    now = now.addDays(2);
    grams[kLoser] *= 0.79;
    weighDay({6, 1, 9, 4, 7, 0, 2, 8, 5, 3}, true);
    if (QTest::currentTestFailed()) return;
    written.waitForWrites();
    QCOMPARE(alerts.count(), 1);
    const QString said = alerts.at(0).at(0).toString();
    for (const QString& part : {QString::fromStdString(list[kLoser].number), QString("клетка К-2"), QString("ниже предела 80 %")})
      QVERIFY2(said.contains(part), qPrintable(said));
    link::Failure error;
    const auto journal = journal::Journal::open(path, error);
    QVERIFY(journal);
    const std::vector<journal::JournalRecord> weighed = journal->standingResults();
    QCOMPARE(weighed.size(), size_t{2 * kMice});
    QCOMPARE(weighed.back().local.substr(0, 10), std::string("2026-12-03"));
    QCOMPARE(weighed.back().animal, list[3].number);
    QCOMPARE(weighed.back().cage, std::string("К-1"));
    QCOMPARE(weighed.back().earMark, list[3].earMark);
  }

  // "Прервать" while waiting for a load adds no row; while weighing, it ends the
  // weighing as a run does, with its readings as a row. Either way the run is over.
  void stopWhileWatchingOrWeighing() {
    *balanceLive = true;
    QSignalSpy captions(session.get(), &WeighingSession::captionChanged);
    const auto waitingForALoad = [&captions] {
      return !captions.isEmpty() && captions.last().value(0).toString() == " - Ожидание груза... ";
    };
    startHandsFree(1, 1e9);  // no load is ever enough
    QTRY_VERIFY_WITH_TIMEOUT(session->watchingPan() && waitingForALoad(), kRunMs);
    session->stop();
    QCOMPARE(store().sgTotal.cell(weighing::BatchCount, 0), std::string("0"));
    QVERIFY(!session->running() && !session->watchingPan());

    *panLoaded = false;
    startHandsFree(1, 2.0, 60);
    captions.clear();
    QTRY_VERIFY_WITH_TIMEOUT(waitingForALoad(), kRunMs);  // armed by the empty pan
    *panLoaded = true;
    QTRY_VERIFY_WITH_TIMEOUT(store().recordNumber >= 2, kRunMs);
    QVERIFY(!session->watchingPan());
    session->stop();
    QCOMPARE(store().sgTotal.cell(weighing::BatchCount, 0), std::string("1"));
    QVERIFY(!session->running());
  }

  // A port whose device is gone: the search text is followed by the reason, once.
  void portThatDoesNotOpenIsNamedInTheCaptionOnce() {
#ifdef _WIN32
    const QString shown = QString("\\\\.\\COM%1").arg(kMissingCom);
#else
    // The port is a link in the configuration folder: the device it names is shown too.
    const std::filesystem::path device = logDir->filePath("no-such-device").toStdString();
    std::filesystem::create_directories(link::comPortLinkDir());
    std::filesystem::remove(link::comPortLinkPath(kMissingCom));
    std::filesystem::create_symlink(device, link::comPortLinkPath(kMissingCom));
    const QString shown = QString::fromStdString(link::comPortLinkPath(kMissingCom).string() + " → " + device.string());
#endif
    // A session of its own, on the serial port as the window has it.
    session = std::make_unique<WeighingSession>(
        RunControls{[this] { return inputs; }, [] { return false; }, {}, {}}, nullptr);
    QSignalSpy captions(session.get(), &WeighingSession::captionChanged);
    RunStart run;
    run.port = kMissingCom;
    run.statisticsWindow = 20;
    run.averagingTime = 60;
    session->start(run);
    QTest::qWait(kSeveralSearchesMs);
    session->stop();
    QStringList texts;
    for (const auto& caption : captions) texts.append(caption.at(0).toString());
    QCOMPARE(texts, QStringList({" - Поиск весов... ",
                                 QString(" - Поиск весов... COM%1 (%2): нет такого устройства ")
                                     .arg(kMissingCom)
                                     .arg(shown),
                                 ""}));
  }

 private:
  void startHandsFree(int com, double thresholdGrams, int averagingTime = 1) {
    RunStart run;
    run.port = com;
    run.statisticsWindow = 20;
    run.averagingTime = averagingTime;
    run.handsFree = HandsFree{thresholdGrams, kEmptyPauseMs};
    session->start(run);
  }

  void startHidden(std::optional<int> lineLimit, std::optional<int64_t> workTimeMs, int com = 1) {
    RunStart run;
    run.port = com;
    run.statisticsWindow = 20;
    run.hidden = HiddenLogging{std::filesystem::path(logFile.toStdU16String()), lineLimit, workTimeMs};
    session->start(run);
  }

  RunEnd endOf(int index) const { return ended->at(index).at(0).value<RunEnd>(); }

  const weighing::MeasurementStore& store() const { return session->measurements(); }

  weighing::WeighingInputs inputs;
  std::shared_ptr<std::atomic<bool>> balanceLive;
  std::shared_ptr<std::atomic<bool>> panLoaded;
  std::unique_ptr<WeighingSession> session;
  std::unique_ptr<QSignalSpy> ended;
  const testing::SettingsSandbox settings;
  std::unique_ptr<QTemporaryDir> logDir;
  QString logFile;
};

}  // namespace tarvelo::session

QTEST_GUILESS_MAIN(tarvelo::session::WeighingSessionTest)
#include "weighing_session_test.moc"
