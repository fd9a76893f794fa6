// The main window's start-up, settings and handlers, with settings of the test's own;
// and, off Windows, the program ended by the system's termination signals.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <QScopeGuard>
#include <QTest>

#include "window/main/ask_form.h"
#include "window/main/main_form.h"
#include "window/widgets/radio_group.h"
#include "settings/settings_store.h"
#include "window/options/settings_table.h"
#include "app/termination_signals.h"
#include "app/qt_translations.h"
#include "journal/journal.h"
#include "journal/journal_place.h"
#include "session/pending_records.h"
#include "tests/support/keyboard_checks.h"
#include "tests/support/settings_sandbox.h"
#include "tests/support/simulator_process.h"
#ifndef _WIN32
#include "labserver/lab_records.h"
#include "labserver/lab_schema.h"
#include "labserver/lab_stations.h"
#include "labserver/server_verification.h"
#include "tests/support/postgres_cluster.h"
#endif

#include <utility>
#include <vector>

#ifndef _WIN32
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

extern char** environ;
#endif

namespace tarvelo::window {

namespace {

constexpr int kBalanceCom = 14;
constexpr int kTagReaderCom = 35;
constexpr int kEndMs = 30'000;
// Three mice of 3.5 s with 2 s between them, and the start.
constexpr int kCageMs = 90'000;

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { settings = std::make_unique<testing::SettingsSandbox>(); }
  void cleanup() { settings.reset(); }

  void firstRunTakesTheStoredDefaults() {
    auto form = startForm();
    QCOMPARE(field<QLineEdit>(*form, "eUnit")->text(), QString());
    QCOMPARE(field<QLineEdit>(*form, "ePerson")->text(), QString());
    QCOMPARE(field<QLineEdit>(*form, "eLabelNum")->text(), QString("ХХХХХХХХ"));
    QCOMPARE(field<QLineEdit>(*form, "SizeEdit")->text(), QString("100"));
    QCOMPARE(field<QLineEdit>(*form, "DWTime")->text(), QString("1"));
    for (const char* name : {"MaxDW", "MinimW", "MaxDif"}) QCOMPARE(field<QLineEdit>(*form, name)->text(), QString("0,001"));
    QCOMPARE(field<QLineEdit>(*form, "NumberWeightTime")->text(), QString("100"));
    QCOMPARE(field<QLineEdit>(*form, "WorkTime")->text(), QString("10"));
    QCOMPARE(field<QLineEdit>(*form, "FileNameEdit")->text(), QString("RS232.txt"));
    QCOMPARE(field<QComboBox>(*form, "cbWTime")->currentText(), QString("6"));
    QCOMPARE(field<QComboBox>(*form, "ComboBox1")->currentText(), QString("0"));
    auto* ports = field<QComboBox>(*form, "ComCB");
    QCOMPARE(ports->count(), 255);
    QCOMPARE(ports->currentText(), QString("COM1"));
    QCOMPARE(ports->itemText(254), QString("COM255"));
    QVERIFY(field<QCheckBox>(*form, "StabCB")->isChecked());
    QVERIFY(field<QCheckBox>(*form, "MWeightCB")->isChecked());
    QVERIFY(!field<QCheckBox>(*form, "FastWrite")->isChecked());
    const auto* fields = field<QListWidget>(*form, "FCheck");
    const Qt::CheckState expected[] = {Qt::Checked, Qt::Checked, Qt::Checked, Qt::Checked, Qt::Unchecked, Qt::Unchecked};
    for (int i = 0; i < 6; ++i) QCOMPARE(fields->item(i)->checkState(), expected[i]);
    QVERIFY(form->timer1().isActive());
    QCOMPARE(form->timer1().interval(), 3000);
    QVERIFY(!form->isVisible());
    QVERIFY(!form->hiddenStart());
  }

  void restartRestoresEveryValue() {
    {
      auto form = startForm();
      field<QLineEdit>(*form, "eUnit")->setText("Мышь «линия 7»");
      field<QLineEdit>(*form, "ePerson")->setText("Петров П.П.");
      field<QLineEdit>(*form, "SizeEdit")->setText("250");
      field<QLineEdit>(*form, "MinimW")->setText("0,5");
      field<QComboBox>(*form, "cbWTime")->setCurrentText("11");
      field<QComboBox>(*form, "ComCB")->setCurrentIndex(4);
      field<QCheckBox>(*form, "StabCB")->setChecked(false);
      field<QCheckBox>(*form, "DStabCB")->setChecked(true);
      field<QCheckBox>(*form, "MinWCB")->setChecked(true);  // unticks nothing: MWeightCB only acts when ticked
      field<QListWidget>(*form, "FCheck")->item(0)->setCheckState(Qt::Unchecked);
      setRadioIndex(field<QGroupBox>(*form, "RGr1"), 1);
    }
    auto form = startForm();
    QCOMPARE(field<QLineEdit>(*form, "eUnit")->text(), QString("Мышь «линия 7»"));
    QCOMPARE(field<QLineEdit>(*form, "ePerson")->text(), QString("Петров П.П."));
    QCOMPARE(field<QLineEdit>(*form, "SizeEdit")->text(), QString("250"));
    QCOMPARE(field<QLineEdit>(*form, "MinimW")->text(), QString("0,5"));
    QCOMPARE(field<QComboBox>(*form, "cbWTime")->currentText(), QString("11"));
    QCOMPARE(field<QComboBox>(*form, "ComCB")->currentText(), QString("COM5"));
    QVERIFY(!field<QCheckBox>(*form, "StabCB")->isChecked());
    QVERIFY(field<QCheckBox>(*form, "DStabCB")->isChecked());
    QVERIFY(field<QCheckBox>(*form, "MinWCB")->isChecked());
    QVERIFY(field<QWidget>(*form, "MinimW")->isEnabled());  // the handler ran on restore
    QCOMPARE(field<QListWidget>(*form, "FCheck")->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(radioIndex(field<QGroupBox>(*form, "RGr1")), 1);
    QVERIFY(field<QWidget>(*form, "RGr2")->isEnabled());
  }

  // Tab goes on from the grids to the buttons, Shift+Tab back out of them: no grid keeps
  // the keyboard (cells are reached with the arrow keys).
  void tabReachesTheButtonsPastTheGrids() {
    auto form = startForm();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    field<QLineEdit>(*form, "eUnit")->setFocus();
    QStringList forward;
    for (int i = 0; i < 12; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      forward << QApplication::focusWidget()->objectName();
    }
    QVERIFY2(forward.indexOf("sgRes") >= 0 && forward.indexOf("sgRes") < forward.indexOf("WeightButton") &&
                 forward.indexOf("WeightButton") < forward.indexOf("btnPrint"),
             qPrintable(forward.join(" ")));
    field<QWidget>(*form, "StrGrid1")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("btnPrint"));
    QWidget& first = *field<QWidget>(*form, "eUnit");
    QStringList missed = testing::unreached(*form, testing::tabWalk(first)) + testing::unreached(*form, testing::tabWalk(first, true));
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(", ")));
    QVERIFY2(testing::unnamed(*form).isEmpty(), qPrintable(testing::unnamed(*form).join(", ")));
    // Each field is named by the label it stands by, for a screen reader.
    for (const auto& [name, label] : {std::pair{"ComCB", "Последовательный порт связи"}, {"cbWTime", "Интервал измерения, с"},
                                      {"eUnit", "Наименование объекта"}, {"ePerson", "ФИО измеряющего"},
                                      {"eLabelNum", "№ протокола / этикетки"}}) {
      QCOMPARE(field<QWidget>(*form, name)->accessibleName(), QString(label));
    }
  }

  // The stored values, their kinds and defaults, in the order start-up reads them.
  void settingsTableHoldsEveryValueInOrder() {
    using V = SettingValue;
    const std::vector<std::pair<std::string, V>> expected{
        {"HideProfile", V(uint8_t{0})},      {"StabCB", V(uint8_t{1})},
        {"DStabCB", V(uint8_t{0})},          {"MWeightCB", V(uint8_t{1})},
        {"MinWCB", V(uint8_t{0})},           {"MDLabel", V(uint8_t{0})},
        {"DWTime", V(uint8_t{0})},           {"MaxDW", V(uint8_t{0})},
        {"MaxDif", V(uint8_t{0})},           {"WorkTime", V(uint8_t{0})},
        {"FCLB(0)", V(uint8_t{1})},          {"FCLB(1)", V(uint8_t{1})},
        {"FCLB(2)", V(uint8_t{1})},          {"FCLB(3)", V(uint8_t{1})},
        {"FCLB(4)", V(uint8_t{0})},          {"FCLB(5)", V(uint8_t{0})},
        {"bNumOfWeighings", V(uint8_t{0})},  {"bTimeOfWeighing", V(uint8_t{0})},
        {"SizeOfMassive", V(int32_t{100})},  {"FileType", V(int32_t{0})},
        {"DiffType", V(int32_t{0})},         {"COM", V(int32_t{0})},
        {"WPeriod", V(int32_t{6})},          {"ePerson", V(std::string())},
        {"eUnit", V(std::string())},         {"GetInfPeriod", V(std::string("0"))},
        {"strMaxDW", V(std::string("0,001"))}, {"strDWTime", V(std::string("1"))},
        {"MinimWeight", V(std::string("0,001"))}, {"SpeedWorkFileName", V(std::string("RS232.txt"))},
        {"NumberWeightTime", V(std::string("100"))}, {"strWorkTime", V(std::string("10"))},
        {"MaxDifWeight", V(std::string("0,001"))}, {"AutoWeighingThreshold", V(std::string("2"))},
        {"AutoWeighingPause", V(std::string("1"))}, {"AutoWeighing", V(uint8_t{0})},
        {"JournalAlertShare", V(std::string("85"))}, {"JournalLimitShare", V(std::string("80"))},
        {"TagReaderCOM", V(int32_t{0})},
        {"TagReaderBaud", V(int32_t{9600})},       {"LabServer", V(std::string())},
        {"StationName", V(std::string())},         {"GraphWindowPlace", V(std::string())},
        {"JournalWindowPlace", V(std::string())}, {"OptionsWindowPlace", V(std::string())}};
    const auto& table = settingsTable();
    QCOMPARE(table.size(), expected.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
      QCOMPARE(std::string(table[i].name), expected[i].first);
      QVERIFY2(table[i].defaultValue == expected[i].second, expected[i].first.c_str());
    }
  }

  void averagingTimeOutsideTheListComesBackAsTheDefault() {
    startForm();
    const auto store = settings::makeSettingsStore();
    QVERIFY(store->open("Tarvelo"));
    store->WriteNumber("WPeriod", 99);
    auto form = startForm();
    QCOMPARE(field<QComboBox>(*form, "cbWTime")->currentText(), QString("6"));
  }

  void longTextsComeBackWhole() {
    const QString longText(100'000, QChar(0x0416));
    startForm()->findChild<QLineEdit*>("ePerson")->setText(longText);
    QCOMPARE(field<QLineEdit>(*startForm(), "ePerson")->text(), longText);
  }

  void anotherExecutableNameKeepsItsOwnSettings() {
    startForm("Tarvelo")->findChild<QLineEdit*>("eUnit")->setText("Крыса");
    QCOMPARE(field<QLineEdit>(*startForm("Tarvelo-2"), "eUnit")->text(), QString());
    QCOMPARE(field<QLineEdit>(*startForm("Tarvelo"), "eUnit")->text(), QString("Крыса"));
  }

#ifndef _WIN32
  void storeThatCannotBeCreatedLeavesTheLayoutValues() {
    QFile blocker(configHome().filePath("Korvane"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));  // a file where the settings folder should be
    blocker.close();
    auto form = startForm();
    QCOMPARE(field<QLineEdit>(*form, "eUnit")->text(), QString("Мышь"));
    QCOMPARE(field<QLineEdit>(*form, "ePerson")->text(), QString("Иванов И.И."));
    QCOMPARE(field<QLineEdit>(*form, "SizeEdit")->text(), QString("20"));
    QCOMPARE(field<QComboBox>(*form, "cbWTime")->currentText(), QString("4"));
    QVERIFY(form->timer1().isActive());
    QCOMPARE(form->measurements().StrGrid1.cell(0, 0), std::string("№"));  // the headings all the same
    QCOMPARE(form->measurements().StrGrid1.cell(3, 0), std::string("Ед.изм."));
  }

  // The program killed by logout or shutdown still writes its settings, and ends well.
  void terminationSignalEndsTheProgramWithItsSettingsWritten() {
    const QString settingsFile = configHome().filePath("Korvane/Tarvelo/Tarvelo/Version_U1.0.0");
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
      QFile::remove(settingsFile);
      const char* argv[] = {TARVELO_PROGRAM_PATH, nullptr};
      pid_t pid = -1;
      QCOMPARE(posix_spawn(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ), 0);
      QTest::qWait(1500);
      QVERIFY(!QFile::exists(settingsFile));  // written at the end, not at the start
      kill(pid, signalNumber);
      int status = -1;
      QCOMPARE(waitpid(pid, &status, 0), pid);
      QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(QString::number(status)));
      QFile file(settingsFile);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QVERIFY(file.readAll().contains("HideProfile\tflag\t0\n"));
    }
  }

#endif

  // --hands-free is for its start: the next plain start is not hands-free.
  void handsFreeOptionIsForItsStartOnly() {
    {
      TMainForm form(settings::makeSettingsStore(), "Tarvelo",
                     StartOptions{StartMode::AsStored, [] { return true; }, true});
      QVERIFY(form.findChild<QCheckBox*>("HandsFreeCB")->isChecked());
    }
    QVERIFY(!startForm()->findChild<QCheckBox*>("HandsFreeCB")->isChecked());
  }

#ifndef _WIN32
  // A hidden start refused for its stored working time waits in a box for a person who
  // may be there; a termination request closes the box and ends the program with a
  // failure, its settings written. Whoever scheduled it reads why on standard error.
  void terminationWhileARefusedStartWaitsEndsTheProgram() {
    storeHiddenStart("1e10", "журнал.txt");
    const QString settingsFile = configHome().filePath("Korvane/Tarvelo/Tarvelo/Version_U1.0.0");
    QFile::remove(configHome().filePath("журнал.txt"));
    const SpawnedProgram program = spawnProgram();
    QTest::qWait(1500);
    QFile::remove(settingsFile);
    kill(program.pid, SIGTERM);
    const auto [status, err] = program.finish(kEndMs);
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 1, qPrintable(QString::number(status)));
    QVERIFY2(err.contains("«1e10» в поле «Время работы программы, с :»"), qPrintable(err));
    QVERIFY(QFile::exists(settingsFile));
    QVERIFY(!QFile::exists(configHome().filePath("журнал.txt")));
  }

  // A hidden run whose log cannot be written ends by itself, saying why on standard error.
  void hiddenRunThatCannotLogEndsByItself() {
    const testing::SimulatorProcess balance(kBalanceCom, {"--protocol", "bm"});
    storeHiddenStart("10", configHome().path().toStdString());  // a folder: no file there
    const auto [status, err] = spawnProgram().finish(kEndMs);
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 1, qPrintable(QString::number(status)));
    QVERIFY2(err.contains(configHome().path()), qPrintable(err));
  }

  // Past a file-size limit the log keeps whole lines and the run ends saying why, as on
  // a full disk; the limit's signal does not kill the program mid-line.
  void fileSizeLimitEndsTheRunWithWholeLines() {
    const testing::SimulatorProcess balance(kBalanceCom, {"--protocol", "bm"});
    const QString log = configHome().filePath("журнал.txt");
    storeHiddenStart("1000", log.toStdString());
    const auto [status, err] = spawnProgram({"/usr/bin/prlimit", "--fsize=200"}).finish(kEndMs);
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 1, qPrintable(QString::number(status)));
    QVERIFY2(err.contains(log), qPrintable(err));
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY2(text.size() > 100 && text.endsWith("\r\n"), text.constData());
  }

  // Killed in the middle of a hands-free batch: the journal holds every result row the
  // program had made, each whole, and its chain holds.
  void killedMidBatchLeavesItsRowsInTheJournal() {
    std::string profile = "2:0:0.05";
    for (int mouse = 0; mouse < 10; ++mouse) profile += ",3.5:" + std::to_string(24 + mouse) + ":0.3,2:0:0.05";
    const testing::SimulatorProcess balance(
        kBalanceCom, {"--protocol", "bm", "--profile", profile, "--unstable-every", "0", "--unstable-step", "0"});
    const std::filesystem::path path = journalPath();
    const SpawnedProgram program = startCage();
    // A failed check leaves no program running.
    auto killer = qScopeGuard([&program] {
      kill(program.pid, SIGKILL);
      program.finish(kEndMs);
    });
    const auto results = [&path] {
      link::Failure error;
      const auto journal = journal::Journal::open(path, error);
      return journal ? journal->records().size() : size_t{0};
    };
    QTRY_VERIFY_WITH_TIMEOUT(results() >= 2, kEndMs);
    const size_t seen = results();
    killer.dismiss();
    kill(program.pid, SIGKILL);
    program.finish(kEndMs);
    link::Failure error;
    const auto journal = journal::Journal::open(path, error);
    const std::vector<journal::JournalRecord> records = journal->records();
    QVERIFY(records.size() >= seen);
    for (const journal::JournalRecord& record : records) {
      QCOMPARE(QString::fromStdString(record.trace).count('\n'), record.count);
    }
    QVERIFY(!journal->verify().firstBroken);
  }

  // Killed (kill -9) a second after its third result while another program holds the
  // journal: the rows were kept on the disk as they came, and the next start writes all
  // three into the journal, once each, in order.
  void killedWhileTheJournalIsHeldLosesNoRow() {
    constexpr int kMice = 3;
    std::string profile = "2:0:0.05";
    for (int mouse = 0; mouse < kMice; ++mouse) profile += ",3.5:" + std::to_string(24 + 2 * mouse) + ":0.05,2:0:0.05";
    const testing::SimulatorProcess balance(kBalanceCom, {"--protocol", "bm", "--profile", profile + ",600:0:0.05",
                                                          "--unstable-every", "0", "--unstable-step", "0"});
    const std::filesystem::path path = journalPath();
    std::filesystem::remove(path);
    link::Failure error;
    QVERIFY(journal::Journal::open(path, error));
    sqlite3* holder = nullptr;
    QCOMPARE(sqlite3_open(path.string().c_str(), &holder), SQLITE_OK);
    QCOMPARE(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto kept = [&path] {
      size_t records = 0;
      for (const std::filesystem::path& file : journal::pendingFilesOf(path)) {
        std::string unread;
        records += session::readPendingRecords(file, unread).size();
      }
      return records;
    };
    {
      const SpawnedProgram program = startCage();
      auto killer = qScopeGuard([&program] {
        kill(program.pid, SIGKILL);
        program.finish(kEndMs);
      });
      QTRY_COMPARE_WITH_TIMEOUT(kept(), size_t{kMice}, kEndMs);
      QTest::qWait(1000);
    }
    QCOMPARE(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(holder);
    const SpawnedProgram again = startCage();
    const auto journal = journal::Journal::open(path, error);
    QTRY_COMPARE_WITH_TIMEOUT(journal->records().size(), size_t{kMice}, kEndMs);
    kill(again.pid, SIGTERM);
    again.finish(kEndMs);
    const std::vector<journal::JournalRecord> records = journal->records();
    QCOMPARE(records.size(), size_t{kMice});
    for (int mouse = 0; mouse < kMice; ++mouse)
      QCOMPARE(std::lround(*records[static_cast<size_t>(mouse)].grams), 24L + 2 * mouse);
    QVERIFY(journal::pendingFilesOf(path).empty());
  }

  // A cage weighs itself: the reader on its own port reads each mouse's tag as it goes
  // onto the pan, and each journalled result carries it. A second station, as on another
  // computer, weighs beside it; both journals reach the lab's server as they grow, each
  // record once, every chain whole.
  void taggedMiceAreJournalledByTheirTagsAndReachTheLabServer() {
    const testing::PostgresCluster cluster;
    QVERIFY2(cluster.failure().empty(), cluster.failure().c_str());
    labserver::LabFailure failure;
    const auto admin = labserver::LabConnection::open(cluster.superuserConnection(), failure);
    QVERIFY2(admin && !labserver::initLabServer(*admin), failure.text.c_str());
    for (const char* station : {"Клетка", "Клетка 2"}) {
      QVERIFY(!labserver::addStation(*admin, station, station, std::string(testing::PostgresCluster::kSuperuserPassword)));
      cluster.keepPassword(station, testing::PostgresCluster::kSuperuserPassword);
    }
    const auto loginOf = [&cluster](const std::string& station) { return cluster.connection("'" + station + "'"); };
    const std::vector<std::string> tags{"985000000000101", "985000000000102", "985000000000103"};
    std::string profile = "2:0:0.05";
    for (int mouse = 0; mouse < 3; ++mouse) profile += ",3.5:" + std::to_string(24 + mouse) + ":0.3,2:0:0.05";
    const testing::SimulatorProcess balance(
        kBalanceCom, {"--protocol", "bm", "--profile", profile + ",60:0:0.05", "--unstable-every", "0", "--unstable-step",
                      "0", "--tag-reader-com", std::to_string(kTagReaderCom), "--tags", tags[0] + "," + tags[1] + "," + tags[2]});
    const std::filesystem::path path = journalPath();
    // The journal may hold an earlier run's mice: this run's come after its head.
    journal::OpenError unread;
    const auto earlier = journal::Journal::openForReading(path, unread);
    const std::int64_t before = earlier ? earlier->head().record : 0;
    const SpawnedProgram program = startCage([&loginOf](settings::SettingsStore& store) {
      store.WriteNumber("TagReaderCOM", kTagReaderCom);
      store.WriteText("LabServer", loginOf("Клетка"));
    });
    const QTemporaryDir otherComputer;
    const QByteArray ownHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", otherComputer.path().toUtf8());
    const testing::SimulatorProcess otherBalance(kBalanceCom, {"--protocol", "bm", "--profile", profile + ",60:0:0.05",
                                                               "--unstable-every", "0", "--unstable-step", "0"});
    const SpawnedProgram other = startCage(
        [&loginOf](settings::SettingsStore& store) { store.WriteText("LabServer", loginOf("Клетка 2")); },
        otherComputer.path());
    qputenv("XDG_CONFIG_HOME", ownHome);
    auto killer = qScopeGuard([&program, &other] {
      for (const SpawnedProgram* station : {&program, &other}) {
        kill(station->pid, SIGKILL);
        station->finish(kEndMs);
      }
    });
    const auto results = [&path, before] {
      journal::OpenError error;
      const auto journal = journal::Journal::openForReading(path, error, true);
      std::vector<journal::JournalRecord> tagged;
      try {
        if (journal) {
          journal->forEachStandingResult({}, [&tagged, before](const journal::JournalRecord& result) {
            if (!result.animal.empty() && result.id > before) tagged.push_back(result);
          });
        }
      } catch (const journal::ReadError&) {
        tagged.clear();  // read while the program was still making it
      }
      return tagged;
    };
    QTRY_VERIFY_WITH_TIMEOUT(results().size() >= 3, kCageMs);
    const std::vector<journal::JournalRecord> weighed = results();
    for (const journal::JournalRecord& result : weighed)  // by mass: one started late meets mouse 1 next round
      QCOMPARE(result.animal, tags.at(static_cast<size_t>(std::lround(result.grams.value_or(0)) - 24)));
    const auto serverHead = [&admin](const std::string& station) {
      journal::Head head;
      labserver::stationHead(*admin, station, head);
      return head.record;
    };
    QTRY_VERIFY_WITH_TIMEOUT(serverHead("Клетка") >= weighed.back().id, kEndMs);
    QTRY_VERIFY_WITH_TIMEOUT(serverHead("Клетка 2") >= 3, kCageMs);
    std::vector<labserver::StationCheck> checks;
    QVERIFY(!labserver::verifyStations(*admin, checks));
    QCOMPARE(checks.size(), size_t{2});
    for (const labserver::StationCheck& check : checks) QVERIFY2(!check.firstBroken, check.station.c_str());
  }
#endif

  // The layout is fixed: no maximising; the window opens in the middle of the screen.
  void windowOpensCentredWithoutMaximising() {
    auto form = startForm();
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    form->Timer1Timer();
    const QPoint offCentre = form->frameGeometry().center() - form->screen()->availableGeometry().center();
    QVERIFY2(qAbs(offCentre.x()) <= 2 && qAbs(offCentre.y()) <= 2, qPrintable(QString("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
  }

  // The main window, the graph, the journal and "Параметры…" open inside the screen, also
  // one of 1024 x 768 (a second run of this suite); the graph and the journal come back
  // where the user left them.
  void windowsFitTheScreenAndKeepTheirPlaces() {
    QTemporaryDir journalDir;
    const auto withJournal = [&journalDir] {
      return std::make_unique<TMainForm>(
          settings::makeSettingsStore(), "Tarvelo",
          StartOptions{StartMode::AsStored, [] { return true; }, false, journalDir.filePath("журнал.sqlite").toStdString()});
    };
    auto form = withJournal();
    form->Timer1Timer();
    form->AppButtonClick();
    form->JournalClick();
    QWidget& graph = *form->findChild<QWidget*>("GraphWindow");
    QWidget& journal = *form->findChild<QWidget*>("JournalWindow");
    QRect options;
    QRect optionsInside;
    const auto openOptions = [&form, &options, &optionsInside](const std::function<void(QWidget&)>& move) {
      QTimer::singleShot(0, [&options, &optionsInside, move] {
        QWidget& dialog = *QApplication::activeModalWidget();
        options = dialog.frameGeometry();
        optionsInside = dialog.geometry();
        move(dialog);
        dialog.close();
      });
      form->OptionsClick();
    };
    const QRect optionsPlace(form->screen()->availableGeometry().topLeft() + QPoint(5, 26), QSize(700, 500));
    openOptions([&optionsPlace](QWidget& dialog) { dialog.setGeometry(optionsPlace); });
    const QRect screen = form->screen()->availableGeometry();
    for (const auto& [name, frame] : {std::pair{"main", form->frameGeometry()}, {"graph", graph.frameGeometry()},
                                      {"journal", journal.frameGeometry()}, {"options", options}}) {
      qInfo("%s window: %d x %d at %d,%d on %d x %d", name, frame.width(), frame.height(), frame.x(), frame.y(),
            screen.width(), screen.height());
      QVERIFY2(screen.contains(frame), name);
    }
    const QRect graphPlace(screen.topLeft() + QPoint(10, 20), graph.size() + QSize(30, 20));
    const QRect journalPlace(screen.topLeft() + QPoint(40, 30), journal.size() - QSize(50, 40));
    graph.setGeometry(graphPlace);
    journal.setGeometry(journalPlace);
    form.reset();
    form = withJournal();
    form->Timer1Timer();
    form->AppButtonClick();
    form->JournalClick();
    QCOMPARE(form->findChild<QWidget*>("GraphWindow")->geometry(), graphPlace);
    QCOMPARE(form->findChild<QWidget*>("JournalWindow")->geometry(), journalPlace);
    openOptions([](QWidget&) {});
    QCOMPARE(optionsInside, optionsPlace);

  }

  // Qt's own buttons speak the program's language.
  void qtTextsAreRussianUnderARussianSystem() {
    app::loadQtTranslations(*QCoreApplication::instance());
    QMessageBox box(QMessageBox::Question, "Tarvelo", "?", QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString("Отмена"));
  }

#ifndef _WIN32
  // Logout, shutdown or kill end the program through its normal shutdown.
  void terminationSignalsReachTheEventLoop() {
    int ends = 0;
    QObject owner;
    app::endOnTerminationSignals(&owner, [&ends] { ++ends; });
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
      const int before = ends;
      raise(signalNumber);
      QTRY_COMPARE(ends, before + 1);
    }
  }

  void damagedSettingsFileGivesDefaults() {
    startForm()->findChild<QLineEdit*>("eUnit")->setText("Мышь");
    const QString file = configHome().filePath("Korvane/Tarvelo/Tarvelo/Version_U1.0.0");
    QVERIFY(QFile::exists(file));
    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("eUnit\ttext\n\xff\xfe garbage\nSizeOfMassive\tnumber\tlots\nStabCB\tflag\t999\n");
    damaged.close();
    auto form = startForm();
    QCOMPARE(field<QLineEdit>(*form, "eUnit")->text(), QString());
    QCOMPARE(field<QLineEdit>(*form, "SizeEdit")->text(), QString("100"));
    QVERIFY(field<QCheckBox>(*form, "StabCB")->isChecked());
  }

#endif

  void storedHiddenModeShowsNoWindow() {
    {
      const auto store = settings::makeSettingsStore();
      QVERIFY(store->create("Tarvelo"));
      store->WriteFlag("HideProfile", 1);
      store->WriteNumber("COM", 253);  // a port that does not exist: the run searches in vain
    }
    auto form = startForm();
    QVERIFY(form->hiddenStart());
    QVERIFY(!form->isVisible());
    QVERIFY(!form->timer1().isActive());
    // The hidden mode offers only the timed periods.
    QCOMPARE(field<QComboBox>(*form, "ComboBox1")->findText("вручную"), -1);
  }

  void splashTimerShowsTheMainWindow() {
    auto form = startForm();
    form->Timer1Timer();
    QVERIFY(form->isVisible());
    QVERIFY(!form->timer1().isActive());
  }

  void changingRecordedFieldsAsksBeforeClearing() {
    auto form = startForm();
    form->Timer1Timer();
    QCOMPARE(form->measurements().StrGrid1.cell(0, 0), std::string("№"));
    form->FCheckClick();
    QVERIFY(!form->isEnabled());
    QVERIFY(form->askForm()->isVisible());
    form->askForm()->NoBtnClick();
    form->Timer5Timer();
    QVERIFY(form->isEnabled());
    QCOMPARE(form->measurements().StrGrid1.cell(0, 0), std::string("№"));

    form->FCheckClick();
    form->Timer5Timer();  // no answer yet: the question stays
    QVERIFY(!form->isEnabled());
    form->askForm()->YesBtnClick();
    form->Timer5Timer();
    QVERIFY(form->isEnabled());
    QCOMPARE(form->measurements().StrGrid1.cell(0, 0), std::string());
    form->FCheckClick();  // an empty grid asks nothing
    QVERIFY(form->isEnabled());
  }

  void optionHandlersFollowTheirBoxes() {
    auto form = startForm();
    field<QCheckBox>(*form, "MinWCB")->setChecked(true);
    QVERIFY(field<QWidget>(*form, "MinimW")->isEnabled());
    field<QCheckBox>(*form, "MWeightCB")->setChecked(false);
    field<QCheckBox>(*form, "MWeightCB")->setChecked(true);
    QVERIFY(!field<QCheckBox>(*form, "MinWCB")->isChecked());
    QVERIFY(!field<QWidget>(*form, "MinimW")->isEnabled());

    field<QCheckBox>(*form, "DStabCB")->setChecked(true);
    for (const char* name : {"MaxDW", "DWTime", "MaxDWLabel", "Label6", "MTimeLabel"}) {
      QVERIFY2(field<QWidget>(*form, name)->isEnabled(), name);
    }
    field<QComboBox>(*form, "ComboBox1")->setCurrentText("при новом");
    QVERIFY(field<QWidget>(*form, "MaxDif")->isEnabled());

    field<QCheckBox>(*form, "FastWrite")->setChecked(true);
    QVERIFY(field<QWidget>(*form, "FileNameEdit")->isEnabled());
    QVERIFY(!field<QWidget>(*form, "FCheck")->isEnabled());
    field<QCheckBox>(*form, "FastWrite")->setChecked(false);
    auto* periods = field<QComboBox>(*form, "ComboBox1");
    QCOMPARE(periods->itemText(periods->count() - 2), QString("вручную"));
    QCOMPARE(periods->itemText(periods->count() - 1), QString("при новом"));
  }

 private:
#ifndef _WIN32
  // The program started as a scheduler would start it, its standard error kept (in a
  // pipe: a file would fall under a file-size limit set for the program).
  struct SpawnedProgram {
    pid_t pid = -1;
    int err = -1;
    // Waits up to `ms` for the end (then kills it): the wait status and standard error.
    std::pair<int, QString> finish(int ms) const {
      int status = -1;
      QElapsedTimer waited;
      waited.start();
      while (waitpid(pid, &status, WNOHANG) == 0) {
        if (waited.elapsed() > ms) {
          kill(pid, SIGKILL);
          waitpid(pid, &status, 0);
          break;
        }
        QTest::qWait(50);
      }
      QByteArray text;
      char buffer[4096];
      for (ssize_t got; (got = ::read(err, buffer, sizeof buffer)) > 0;) text.append(buffer, got);
      ::close(err);
      return {status, QString::fromLocal8Bit(text)};
    }
  };
  // `prefix` runs the program, such as a command that sets a limit; `arguments` follow it.
  SpawnedProgram spawnProgram(std::vector<const char*> prefix = {}, std::vector<const char*> arguments = {}) const {
    SpawnedProgram program;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) qFatal("no pipe");
    program.err = pipeFds[0];
    fcntl(program.err, F_SETFL, O_NONBLOCK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    std::vector<const char*> argv = std::move(prefix);
    argv.push_back(TARVELO_PROGRAM_PATH);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back(nullptr);
    posix_spawn(&program.pid, argv[0], &actions, nullptr, const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    return program;
  }
  // The program started hands-free on the balance, with the settings a cage needs and
  // `more`, and its journal at journalPath(), or in `dataHome` when one is given.
  SpawnedProgram startCage(const std::function<void(settings::SettingsStore&)>& more = {},
                           const QString& dataHome = {}) const {
    {
      const auto store = settings::makeSettingsStore();
      if (!store->create("Tarvelo")) qFatal("no settings");
      store->WriteNumber("COM", kBalanceCom - 1);
      store->WriteNumber("WPeriod", 1);
      store->WriteText("eUnit", "Мышь");
      if (more) more(*store);
    }
    qputenv("XDG_DATA_HOME", (dataHome.isEmpty() ? configHome().path() : dataHome).toUtf8());
    return spawnProgram({}, {"--show", "--hands-free"});
  }
  std::filesystem::path journalPath() const { return (configHome().path() + "/Tarvelo/journal.sqlite").toStdString(); }

  // Settings of a hidden start on the simulator's port with a working-time limit.
  void storeHiddenStart(const std::string& workTime, const std::string& logFile) const {
    const auto store = settings::makeSettingsStore();
    QVERIFY(store->create("Tarvelo"));
    store->WriteFlag("HideProfile", 1);
    store->WriteFlag("bTimeOfWeighing", 1);
    store->WriteNumber("COM", kBalanceCom - 1);
    store->WriteText("strWorkTime", workTime);
    store->WriteText("SpeedWorkFileName", logFile);
  }
  // The sandbox's configuration folder, where the settings file lies.
  QDir configHome() const { return QDir(QString::fromStdString(settings->configHome().string())); }
#endif

  std::unique_ptr<TMainForm> startForm(const std::string& executable = "Tarvelo") {
    return std::make_unique<TMainForm>(settings::makeSettingsStore(), executable,
                                       StartOptions{StartMode::AsStored, [] { return true; }});
  }

  template <typename T>
  static T* field(const QWidget& form, const char* name) {
    auto* widget = form.findChild<T*>(name);
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
  }

  std::unique_ptr<testing::SettingsSandbox> settings;
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::MainFormTest)
#include "main_form_test.moc"
