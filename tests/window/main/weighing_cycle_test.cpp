// Weighing with the real window against the balance simulator on a pseudo-terminal.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <functional>

#include <sqlite3.h>

#include "window/widgets/line_chart.h"
#include "window/journal/journal_window.h"
#include "window/main/main_form.h"
#include "journal/journal.h"
#include "journal/journal_place.h"
#include "session/pending_records.h"
#include "session/weighing_session.h"
#include "weighing/number_text.h"
#include "settings/settings_store.h"
#include "tests/support/settings_sandbox.h"
#include "link/com_port_path.h"
#include "tests/support/simulator_process.h"

namespace tarvelo::window {

namespace {

constexpr int kCom = 22;
constexpr int kSilentCom = 23;  // with no device
constexpr int kWeighingMs = 20'000;
constexpr int kTickMs = 700;

}  // namespace

class WeighingCycleTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    form = std::make_unique<TMainForm>(settings::makeSettingsStore(), "Tarvelo");
    form->Timer1Timer();
    set<QComboBox>("ComCB")->setCurrentIndex(kCom - 1);
    set<QComboBox>("cbWTime")->setCurrentText("1");  // two readings
  }
  void cleanup() {
    form.reset();
    simulator.reset();
  }

  void weighingEndsAfterTwoReadingsWithAResultRow() {
    startBalance({"25.10", "25.30"});
    QSignalSpy captions(form.get(), &QWidget::windowTitleChanged);
    weigh();
    QCOMPARE(captions.value(0).value(0).toString(), QString("Tarvelo.exe (Version U1.0.0) - Поиск весов... "));
    QVERIFY(captions.contains(QVariantList{"Tarvelo.exe (Version U1.0.0) - Прием данных... "}));
    QCOMPARE(form->windowTitle(), QString("Tarvelo.exe (Version U1.0.0)"));
    QCOMPARE(result(5, 1), std::string("2"));
    const std::string mass = result(3, 1);
    QVERIFY2(mass == "25,10" || mass == "25,20" || mass == "25,30", mass.c_str());
    QCOMPARE(form->measurements().lBalInfo, std::string("Весы: KM500  Заводской № 1234"));

    // A second weighing: totals and deviations of the batch.
    weigh();
    QCOMPARE(form->measurements().sgTotal.cell(5, 0), std::string("2"));
    QCOMPARE(result(0, 2), std::string("2"));
    QVERIFY(!result(6, 2).empty());

    // Removing a row and clearing the window.
    form->sgResSelectCell(0, 2);
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Enter); });
    form->btnRemoveLastCycleClick();
    QCOMPARE(form->measurements().sgTotal.cell(5, 0), std::string("1"));
    form->ClearButtonClick();
    QCOMPARE(form->measurements().sgTotal.cell(5, 0), std::string("0"));
    QCOMPARE(result(0, 1), std::string());
  }

  // Each result row reaches the journal as it is made, with its readings and the animal's
  // number scanned for it (a code and Enter weigh); a removed row is named by a removal,
  // and the rows below it keep their numbers and are journalled under the names the grid
  // gives them now, each with the deviation the grid shows now; the chain holds.
  void resultRowsAndTheirRemovalReachTheJournal() {
    const QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath("журнал.sqlite").toStdU16String();
    const auto protocol = std::make_shared<std::string>("П-7");
    form->session().setJournal(
        std::make_unique<session::ResultJournal>(path, [protocol] { return session::JournalContext{"Иванов", *protocol}; }));
    startBalance({"25.10", "25.30", "25.50", "25.70", "25.90", "26.10", "26.30", "26.50"});
    weigh();
    auto* const animal = set<QLineEdit>("eAnimal");
    QTest::keyClicks(animal, "985000001234567");
    QTest::keyClick(animal, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!set<QPushButton>("WeightButton")->isHidden(), kWeighingMs);
    QCOMPARE(animal->text(), QString());
    weigh();
    form->sgResSelectCell(0, 1);
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Enter); });
    form->btnRemoveLastCycleClick();
    *protocol = "ХХХХХХХХ";  // the form's placeholder: no protocol number
    weigh();
    QCOMPARE(result(weighing::ResultAnimal, 1), std::string("985000001234567"));
    form->session().waitForJournal();

    link::Failure error;
    const auto journal = journal::Journal::open(path, error);
    const std::vector<journal::JournalRecord> standing = journal->standingResults();
    QCOMPARE(standing.size(), size_t{3});
    for (int row = 1; row <= 3; ++row) {
      QCOMPARE(standing[row - 1].object, result(weighing::ResultName, row));
      QCOMPARE(standing[row - 1].animal, result(weighing::ResultAnimal, row));
      QCOMPARE(standing[row - 1].deviation, result(weighing::ResultDeviation, row));  // from the whole batch's mean
    }
    const std::vector<journal::JournalRecord> records = journal->records();
    QCOMPARE(records.size(), size_t{7});  // three results, a removal, two renames, a result
    const journal::JournalRecord& first = records[0];
    QCOMPARE(first.kind, std::string(journal::kResult));
    QCOMPARE(first.person, std::string("Иванов"));
    QCOMPARE(first.protocol, std::string("П-7"));
    QCOMPARE(QString::fromStdString(first.object), set<QLineEdit>("eUnit")->text() + " 1");
    QCOMPARE(first.count, 2);
    QCOMPARE(first.balance, std::string("Весы: KM500  Заводской № 1234"));
    const QStringList trace = QString::fromStdString(first.trace).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(trace.size(), 2);
    double sum = 0;
    for (const QString& line : trace) sum += line.section('\t', 1).replace(',', '.').toDouble();
    QCOMPARE(QString::number(sum / 2, 'f', 2).replace('.', ','), QString::fromStdString(first.mass));
    QCOMPARE(records[6].protocol, std::string());
    QCOMPARE(records[3].kind, std::string(journal::kRemoval));
    QCOMPARE(records[3].subject, first.id);
    QCOMPARE(standing.front().id, records[1].id);
    QVERIFY(!journal->verify().firstBroken);
  }

  // Each mouse's card is scanned (its number and Enter) while the mouse before it is still
  // on the pan: every row takes its own mouse's number, shown on the status line. Hands-free
  // ten mice told apart by their masses; then by hand, three weighings one after another.
  void cardScannedDuringAWeighingNamesTheNextOne() {
    constexpr int kMice = 10;
    const auto numberOf = [](int mouse) { return QString::number(985000000001000 + mouse); };
    std::string profile = "2:0:0.05";
    // An empty pan for longer than the pause that ends a weighing.
    for (int mouse = 0; mouse < kMice; ++mouse) profile += ",3.5:" + std::to_string(20 + 2 * mouse) + ":0.05,2.5:0:0.05";
    simulator = std::make_unique<testing::SimulatorProcess>(
        kCom, std::vector<std::string>{"--protocol", "bm", "--profile", profile + ",60:0:0.05", "--unstable-every", "0",
                                       "--unstable-step", "0"});
    auto* const animal = set<QLineEdit>("eAnimal");
    const auto scan = [animal, &numberOf](int mouse) {
      QTest::keyClicks(animal, numberOf(mouse));
      QTest::keyClick(animal, Qt::Key_Return);
    };
    const auto weighingOf = [this, &numberOf](int mouse) {
      return form->session().animalText().startsWith("Взвешивается: № " + numberOf(mouse));
    };
    set<QLineEdit>("eUnit")->setText("Мышь");
    form->session().handsFree().choose(true);
    scan(0);  // Enter starts the run
    for (int mouse = 1; mouse < kMice; ++mouse) {
      QTRY_VERIFY2_WITH_TIMEOUT(weighingOf(mouse - 1), qPrintable(form->session().animalText()), kWeighingMs);
      scan(mouse);
      QCOMPARE(form->session().animalText(),
               QString("Взвешивается: № %1; Следующее: № %2").arg(numberOf(mouse - 1), numberOf(mouse)));
    }
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(form->measurements().sgTotal.cell(5, 0)), QString::number(kMice), kWeighingMs);
    form->StopButtonClick();
    for (int row = 1; row <= kMice; ++row) {
      const int mouse = qRound((weighing::parseNumber(result(weighing::ResultMass, row)) - 20) / 2);
      QCOMPARE(result(weighing::ResultAnimal, row), numberOf(mouse).toStdString());
    }

    form->session().handsFree().choose(false);
    form->ClearButtonClick();
    startBalance({"25.10", "25.30"});
    set<QComboBox>("cbWTime")->setCurrentText("2");
    scan(0);
    for (int mouse = 1; mouse < 3; ++mouse) {
      QVERIFY(weighingOf(mouse - 1));
      scan(mouse);
      QTRY_VERIFY_WITH_TIMEOUT(!set<QPushButton>("WeightButton")->isHidden(), kWeighingMs);
      QCOMPARE(animal->placeholderText(), numberOf(mouse));
      form->WeightButtonClick();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!set<QPushButton>("WeightButton")->isHidden(), kWeighingMs);
    for (int row = 1; row <= 3; ++row) QCOMPARE(result(weighing::ResultAnimal, row), numberOf(row - 1).toStdString());
  }

  // A mouse weighing less than 85 % of its first weighing is said at once, and below 80 %
  // as its limit, by its number; its row in the results is marked.
  void resultBelowTheAlertShareOfItsReferenceIsSaid() {
    const QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath("журнал.sqlite").toStdU16String();
    form->session().setJournal(std::make_unique<session::ResultJournal>(path, [] { return session::JournalContext{}; }));
    QSignalSpy alerts(&form->session(), &session::WeighingSession::weightAlert);
    // 100, 88, 80 and 76 % of the first.
    for (const char* grams : {"25.00", "22.00", "20.00", "19.00"}) {
      form->ClearButtonClick();  // the next batch: the same row, the same name
      set<QLineEdit>("eAnimal")->setText("985000000000007");
      startBalance({grams});
      weigh();
      QTRY_COMPARE(alerts.size(), std::string(grams) < "21" ? (std::string(grams) == "20.00" ? 1 : 2) : 0);
      if (std::string(grams) == "20.00") {
        const QString said = "№ 985000000000007 (" + set<QLineEdit>("eUnit")->text() +
                             " 1): 20,00 г — 80,0 % исходного веса 25,00 г, ниже 85 %";
        QVERIFY2(alerts.last().at(0).toString().contains(said), qPrintable(alerts.last().at(0).toString()));
        QVERIFY(result(weighing::ResultNote, 1).starts_with("Внимание"));
      }
    }
    QVERIFY2(alerts.last().at(0).toString().contains("ниже предела 80 %"), qPrintable(alerts.last().at(0).toString()));
    QVERIFY(result(weighing::ResultNote, 1).starts_with("ПРЕДЕЛ"));
    QCOMPARE(set<QLabel>("LastingNote")->toolTip(), alerts.last().at(0).toString());

    // Each alert is a record after its result, in the chain; the journal window lists the
    // animals whose last weighing raised one.
    set<QLineEdit>("eAnimal")->setText("985000000000008");
    weigh();
    form->session().waitForJournal();
    link::Failure error;
    const auto journal = journal::Journal::open(path, error);
    const std::vector<journal::JournalRecord> records = journal->records();
    std::vector<std::string> alerted;
    for (size_t i = 1; i < records.size(); ++i) {
      if (records[i].kind != journal::kAlert) continue;
      QCOMPARE(records[i].subject, records[i - 1].id);
      QCOMPARE(records[i].animal, std::string("985000000000007"));
      alerted.push_back(records[i].note + " " + records[i].deviation + " " + records[i - 1].mass);
    }
    QCOMPARE(alerted, (std::vector<std::string>{"предупреждение 80.0 20,00", "предел 76.0 19,00"}));
    QVERIFY(!journal->verify().firstBroken);
    JournalWindow window(path, [] { return session::JournalContext{}; }, [] { return journal::AlertShares{}; }, [] { return QString(); });
    window.refresh();
    auto* objects = window.findChild<QTableWidget*>("JournalObjects");
    window.findChild<QCheckBox*>("JournalAlertedOnly")->setChecked(true);
    QCOMPARE(objects->rowCount(), 2);
    for (int row = 0; row < 2; ++row)
      QCOMPARE(objects->isRowHidden(row), objects->item(row, 0)->text() != "985000000000007");
  }

  // Rows the journal cannot take wait, in order, and are said; once it can, they go in
  // and the note goes. The weighing never waits.
  void journalThatCannotBeWrittenKeepsItsRowsUntilItCan() {
    const QTemporaryDir dir;
    QFile blocker(dir.filePath("файл"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the journal's folder should be
    blocker.close();
    const std::filesystem::path path = dir.filePath("файл/журнал.sqlite").toStdU16String();
    form->session().setJournal(std::make_unique<session::ResultJournal>(path, [] { return session::JournalContext{}; }));
    QSignalSpy backlog(&form->session(), &session::WeighingSession::journalBacklog);
    startBalance({"25.00"});
    weigh();
    startBalance({"31.00"});
    weigh();
    form->session().waitForJournal();
    QCOMPARE(form->measurements().sgTotal.cell(5, 0), std::string("2"));
    QCOMPARE(backlog.size(), 2);
    QVERIFY(set<QLabel>("LastingNote")->toolTip().startsWith("Не записано в журнал: 2"));

    QVERIFY(blocker.remove());
    QTRY_VERIFY_WITH_TIMEOUT(backlog.size() == 3, kWeighingMs);
    QCOMPARE(backlog.last().at(0).toInt(), 0);
    QVERIFY(!form->findChild<QLabel*>("LastingNote"));
    link::Failure error;
    const auto records = journal::Journal::open(path, error)->records();
    QCOMPARE(records.size(), size_t{2});
    QCOMPARE(records[0].mass, std::string("25,00"));
    QCOMPARE(records[1].mass, std::string("31,00"));
  }

  // What the journal cannot take by the end waits in the pending file, removal and rename
  // and all, and the next start writes it first.
  void rowsTheJournalCannotTakeAtTheEndGoInAtTheNextStart() {
    const QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath("журнал.sqlite").toStdU16String();
    link::Failure error;
    sqlite3* const other = heldJournal(path);
    form->session().setJournal(std::make_unique<session::ResultJournal>(path, [] { return session::JournalContext{}; }));
    for (const char* grams : {"25.00", "31.00"}) {
      startBalance({grams});
      weigh();
    }
    form->sgResSelectCell(0, 1);
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Enter); });
    form->btnRemoveLastCycleClick();
    QCOMPARE(form->session().closeJournal(), QString());
    QCOMPARE(journal::pendingFilesOf(path).size(), size_t{1});
    QCOMPARE(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    // The first went in just before a crash that left the pending file: not written twice.
    std::string unread;
    journal::JournalRecord committed = session::readPendingRecords(journal::pendingFilesOf(path).front(), unread).front().record;
    QVERIFY(!journal::Journal::open(path, error)->append(committed));

    form->session().setJournal(std::make_unique<session::ResultJournal>(path, [] { return session::JournalContext{}; }));
    form->session().waitForJournal();
    QVERIFY(journal::pendingFilesOf(path).empty());
    const auto journal = journal::Journal::open(path, error);
    QCOMPARE(journal->records().size(), size_t{4});
    QCOMPARE(journal->standingResults().size(), size_t{1});
    QCOMPARE(journal->standingResults().front().mass, std::string("31,00"));
    QCOMPARE(journal->standingResults().front().object, result(weighing::ResultName, 1));
    QVERIFY(!journal->verify().firstBroken);
  }

  // A journal cut behind the program's back since it last wrote is said at the start.
  void journalCutSinceTheLastRunIsSaidAtTheStart() {
    const QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath("журнал.sqlite").toStdU16String();
    link::Failure error;
    for (const char* mass : {"25,00", "26,00"}) {
      journal::JournalRecord record;
      record.mass = mass;
      QVERIFY(!journal::Journal::open(path, error)->append(record));
    }
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(dir.filePath("журнал.sqlite").toUtf8().constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "DROP TRIGGER records_are_kept; DELETE FROM records WHERE id = 2", nullptr, nullptr,
                          nullptr),
             SQLITE_OK);
    sqlite3_close(other);
    QSignalSpy damaged(&form->session(), &session::WeighingSession::journalDamaged);
    form->session().setJournal(std::make_unique<session::ResultJournal>(path, [] { return session::JournalContext{}; }));
    form->session().waitForJournal();
    QCOMPARE(damaged.size(), 1);
    QVERIFY2(set<QLabel>("LastingNote")->toolTip().contains("Журнал укорочен или переписан: записи № 2"),
             qPrintable(set<QLabel>("LastingNote")->toolTip()));
  }

  // Two programs on one held journal keep their rows in pending files of their own; a
  // pending file is never written into another journal put in its journal's place.
  void pendingRecordsStayWithTheirProgramAndTheirJournal() {
    const QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath("новая папка/журнал.sqlite").toStdU16String();
    link::Failure error;
    const auto context = [] { return session::JournalContext{}; };
    // The first program starts before its journal's folder is made.
    form->session().setJournal(std::make_unique<session::ResultJournal>(path, context));
    form->session().waitForJournal();
    sqlite3* const other = heldJournal(path);
    session::ResultJournal second(path, context);
    startBalance({"25.00"});
    weigh();
    second.resultAdded(form->measurements(), 1);
    form->session().waitForJournal();
    second.waitForWrites();
    const std::vector<std::filesystem::path> files = journal::pendingFilesOf(path);
    {
      session::ResultJournal third(path, context);  // takes nothing of programs that still run
      third.waitForWrites();
    }
    QCOMPARE(journal::pendingFilesOf(path), files);
    QCOMPARE(files.size(), size_t{2});
    for (const std::filesystem::path& file : files) {
      std::string unread;
      QCOMPARE(session::readPendingRecords(file, unread).size(), size_t{1});
    }
    QCOMPARE(form->session().closeJournal(), QString());
    QCOMPARE(second.close(), QString());
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    std::error_code removed;
    QVERIFY2(std::filesystem::remove(path, removed), removed.message().c_str());
    journal::JournalRecord stranger;
    stranger.kind = journal::kResult;
    stranger.object = "Чужая мышь";
    QVERIFY(!journal::Journal::open(path, error)->append(stranger));
    session::ResultJournal replaced(path, context);
    replaced.waitForWrites();
    QCOMPARE(journal::Journal::open(path, error)->records().size(), size_t{1});
    QVERIFY(journal::pendingFilesOf(path).empty());
    QCOMPARE(QDir(dir.filePath("новая папка")).entryList({"*.other-journal"}).size(), 2);
  }

  // A commit that waits for another writer holds up neither the weighing nor the window;
  // the row is written once the other lets go.
  void journalWaitingForAnotherWriterHoldsNothingUp() {
    const QTemporaryDir dir;
    const std::filesystem::path path = dir.filePath("журнал.sqlite").toStdU16String();
    link::Failure error;
    QVERIFY(journal::Journal::open(path, error));
    form->session().setJournal(std::make_unique<session::ResultJournal>(path, [] { return session::JournalContext{}; }));
    QSignalSpy failures(&form->session(), &session::WeighingSession::journalBacklog);
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(dir.filePath("журнал.sqlite").toUtf8().constData(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    startBalance({"25.00"});
    weigh();
    QCOMPARE(result(3, 1), std::string("25,00"));
    QCOMPARE(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    form->session().waitForJournal();
    QCOMPARE(failures.size(), 0);
    QCOMPARE(journal::Journal::open(path, error)->records().size(), size_t{1});
  }

  void stopBeforeAnyReadingAddsNoRow() {
    startBalance({"25.10"}, "tsk");  // found only after the first search turn
    form->WeightButtonClick();
    QTest::qWait(1500);
    form->StopButtonClick();
    QCOMPARE(form->measurements().sgRes.rowCount(), 2);
    QCOMPARE(result(0, 1), std::string());
  }

  void stopAfterThreeReadingsAveragesThem() {
    startBalance({"22.00"});
    set<QComboBox>("cbWTime")->setCurrentText("15");
    form->WeightButtonClick();
    QTRY_VERIFY_WITH_TIMEOUT(form->measurements().recordNumber >= 3, kWeighingMs);
    form->StopButtonClick();
    QCOMPARE(result(5, 1), std::to_string(form->measurements().recordNumber));
    QCOMPARE(result(3, 1), std::string("22,00"));
  }

  void rejectedReadingsDoNotCount() {
    // The ticks take whichever reading is newest: only the 25 g ones may be recorded.
    startBalance({"25.00", "-3.00", "0.50"});
    set<QCheckBox>("MWeightCB")->setChecked(false);
    set<QCheckBox>("MinWCB")->setChecked(true);
    set<QLineEdit>("MinimW")->setText("1");
    weigh();
    QCOMPARE(result(5, 1), std::string("2"));
    QCOMPARE(result(3, 1), std::string("25,00"));
  }

  // A rule changed in "Параметры…" decides what is recorded, and the graph's window shows
  // each recorded reading within a tick.
  void ruleFromTheDialogReachesTheRunAndTheGraphFollowsIt() {
    startBalance({"25.00", "0.50"});
    QTimer::singleShot(0, [this] {
      set<QCheckBox>("MWeightCB")->setChecked(false);
      set<QCheckBox>("MinWCB")->setChecked(true);
      set<QLineEdit>("MinimW")->setText("1");
      set<QDialogButtonBox>("")->button(QDialogButtonBox::Ok)->click();
    });
    form->OptionsClick();
    set<QComboBox>("cbWTime")->setCurrentText("15");
    form->WeightButtonClick();
    auto* graph = set<QAction>("GraphAction");
    QTRY_VERIFY_WITH_TIMEOUT(graph->isEnabled(), kWeighingMs);
    graph->trigger();
    const auto* chart = set<LineChart>("Chart1");
    for (int recorded = 2; recorded <= 3; ++recorded) {
      QTRY_VERIFY_WITH_TIMEOUT(form->measurements().recordNumber >= recorded, kWeighingMs);
      QTRY_COMPARE_WITH_TIMEOUT(chart->points(0).size(), form->measurements().recordNumber, kTickMs);
    }
    form->StopButtonClick();
    QCOMPARE(result(3, 1), std::string("25,00"));
  }

  // "вручную", chosen in "Параметры…": one reading a press of the read button, which
  // comes into sight with the focus, by keyboard and by mouse.
  void manualPeriodTakesOneReadingAPress() {
    startBalance({"25.00", "25.50"});
    choosePeriod("вручную");
    set<QComboBox>("cbWTime")->setCurrentText("15");
    form->WeightButtonClick();
    auto* read = set<QPushButton>("ReadButton");
    QVERIFY(read->isVisible());
    const auto pressed = [&](int readings, const std::function<void()>& press) {
      QTRY_VERIFY_WITH_TIMEOUT(read->isEnabled() && read->hasFocus(), kWeighingMs);
      press();
      QTRY_COMPARE_WITH_TIMEOUT(form->measurements().recordNumber, readings, kWeighingMs);
    };
    form->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(read->isEnabled(), kWeighingMs);
    QTest::qWait(5 * kTickMs);
    QCOMPARE(form->measurements().recordNumber, 0);  // the first tick only readies a reading
    pressed(1, [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); });
    pressed(2, [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); });
    pressed(3, [&] { QTest::mouseClick(read, Qt::LeftButton); });
    QTest::qWait(3 * kTickMs);
    QCOMPARE(form->measurements().recordNumber, 3);  // nothing without a press
    form->StopButtonClick();
    QVERIFY(!read->isVisible());
  }

  // "при новом": a reading that differs from the last recorded one by less than the least
  // change is not recorded.
  void onChangePeriodRecordsOnlyChangedReadings() {
    startBalance({"25.00", "25.00", "25.00", "26.00"});
    choosePeriod("при новом", "0,5");
    set<QComboBox>("cbWTime")->setCurrentText("15");
    form->WeightButtonClick();
    QTRY_VERIFY_WITH_TIMEOUT(form->measurements().recordNumber >= 3, kWeighingMs);
    form->StopButtonClick();
    const weighing::TextGrid& readings = form->measurements().StrGrid1;
    for (int row = 2; row <= form->measurements().recordNumber; ++row) {
      QVERIFY2(readings.cell(2, row) != readings.cell(2, row - 1), readings.cell(2, row).c_str());
    }
    QCOMPARE(readings.cell(2, 1), std::string("25"));
    QCOMPARE(readings.cell(2, 2), std::string("26"));
  }

  // The balance of the last run is not shown while another port is searched.
  void balanceLabelIsClearedWhenANewSearchStarts() {
    startBalance({"25.00"});
    weigh();
    QCOMPARE(set<QLabel>("lBalInfo")->text(), QString("Весы: KM500  Заводской № 1234"));
    const testing::MissingPort silent(kSilentCom);
    set<QComboBox>("ComCB")->setCurrentIndex(kSilentCom - 1);
    form->WeightButtonClick();
    QCOMPARE(set<QLabel>("lBalInfo")->text(), QString("Весы:"));
    form->StopButtonClick();
  }

  void controlsDuringAndAfterARun() {
    startBalance({"25.00"});
    set<QComboBox>("cbWTime")->setCurrentText("15");
    form->WeightButtonClick();
    QVERIFY(set<QPushButton>("WeightButton")->isHidden());
    QVERIFY(!set<QPushButton>("StopButton")->isHidden());
    for (const char* name : {"ApplyButton1", "ClearButton", "ComCB", "cbWTime", "eUnit", "btnPrint", "btnRemoveLastCycle"}) {
      QVERIFY2(!set<QWidget>(name)->isEnabled(), name);
    }
    form->StopButtonClick();
    QVERIFY(!set<QPushButton>("WeightButton")->isHidden());
    QVERIFY(set<QPushButton>("StopButton")->isHidden());
    QVERIFY2(form->findChild<QStatusBar*>() == nullptr, "the layout keeps its height");
    for (const char* name : {"ApplyButton1", "ClearButton", "ComCB", "cbWTime", "eUnit", "btnPrint", "btnRemoveLastCycle"}) {
      QVERIFY2(set<QWidget>(name)->isEnabled(), name);
    }
  }

  // The range of SizeEdit is checked before any other number is read.
  void statisticsWindowOutOfRangeStartsNothing() {
    set<QLineEdit>("SizeEdit")->setText("1001");
    set<QLineEdit>("DWTime")->setText("abc");
    QString message;
    QTimer::singleShot(0, [&message] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      message = box->text();
      box->accept();
    });
    form->WeightButtonClick();
    QCOMPARE(message, QString("Допустимое значение числа от 1 до 1000"));
    QCOMPARE(set<QLineEdit>("SizeEdit")->text(), QString("100"));
    QVERIFY(!set<QPushButton>("WeightButton")->isHidden());
    set<QLineEdit>("DWTime")->setText("1");  // stored at the end, read by the next test
  }

  // "Прервать" takes the place of "Взвесить" under the pointer: the second click of a
  // double click must not stop the run it started.
  void doubleClickOnWeighStartsARunThatGoesOn() {
    startBalance({"25.00"});
    set<QComboBox>("cbWTime")->setCurrentText("15");
    QTest::mouseClick(set<QPushButton>("WeightButton"), Qt::LeftButton);
    QTest::mouseClick(set<QPushButton>("StopButton"), Qt::LeftButton);
    QVERIFY(form->session().running());
    QTest::qWait(600);
    QTest::mouseClick(set<QPushButton>("StopButton"), Qt::LeftButton);
    QVERIFY(!form->session().running());
  }

 private:
  // Makes the journal at `path` and holds it as another writer would, until its COMMIT.
  static sqlite3* heldJournal(const std::filesystem::path& path) {
    link::Failure error;
    sqlite3* other = nullptr;
    if (!journal::Journal::open(path, error) ||
        sqlite3_open(QString::fromStdU16String(path.u16string()).toUtf8().constData(), &other) != SQLITE_OK ||
        sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
      qFatal("the journal is not held");
    return other;
  }

  void startBalance(const std::vector<std::string>& weights, const std::string& protocol = "bm") {
    simulator = std::make_unique<testing::SimulatorProcess>(
        kCom, std::vector<std::string>{"--protocol", protocol, "--weights", testing::writeWeightsFile(weights).string(),
                                       "--decimals", "2", "--unstable-every", "0", "--unstable-step", "0"});
  }

  // Chooses the period, and the least change of "при новом", in "Параметры…".
  void choosePeriod(const QString& period, const QString& leastChange = {}) {
    QTimer::singleShot(0, [this, period, leastChange] {
      set<QComboBox>("ComboBox1")->setCurrentText(period);
      if (!leastChange.isEmpty()) set<QLineEdit>("MaxDif")->setText(leastChange);
      set<QDialogButtonBox>("")->button(QDialogButtonBox::Ok)->click();
    });
    form->OptionsClick();
  }

  void weigh() {
    form->WeightButtonClick();
    QTRY_VERIFY_WITH_TIMEOUT(!set<QPushButton>("WeightButton")->isHidden(), kWeighingMs);
  }

  std::string result(int column, int row) const { return form->measurements().sgRes.cell(column, row); }

  template <typename T>
  T* set(const char* name) const {
    auto* widget = form->findChild<T*>(name);
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
  }

  const testing::SettingsSandbox settings;  // one for the suite: a test reads what the last stored
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<testing::SimulatorProcess> simulator;
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::WeighingCycleTest)
#include "weighing_cycle_test.moc"
