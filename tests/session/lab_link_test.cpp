// Stations' journals on their way to a real PostgreSQL server of the test's own, through
// the links the program runs: sent, held while the server is away, caught up after.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QElapsedTimer>
#include <QScopeGuard>

#include <algorithm>
#include <csignal>
#include <thread>

#include <map>
#include <memory>

#include "journal/animal_list.h"
#include "journal/journal.h"
#include "labserver/lab_animals.h"
#include "labserver/lab_records.h"
#include "labserver/lab_schema.h"
#include "labserver/lab_stations.h"
#include "labserver/server_verification.h"
#include "labserver/station_sender.h"
#include "session/journal_entry.h"
#include "session/lab_link.h"
#include "session/lab_list.h"
#include "session/lab_sender.h"
#include "tests/support/postgres_cluster.h"

namespace tarvelo::session {

namespace {

constexpr int kSendMs = 15'000;
constexpr int kLockTakenMs = 1000;
constexpr int kCloseLimitMs = 2000;
constexpr int kSilentSayMs = 35'000;
constexpr char kLogin[] = "station_login";
constexpr char kPassword[] = "весы";

void appendResults(const std::filesystem::path& path, int count) {
  link::Failure error;
  const auto journal = journal::Journal::open(path, error);
  QVERIFY2(journal, error.message.c_str());
  for (int i = 0; i < count; ++i) {
    journal::JournalRecord record;
    record.object = "Мышь";
    record.person = path.filename().string();  // no two stations' journals begin alike
    QVERIFY(!journal->append(record));
  }
}

}  // namespace

class LabLinkTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    testing::privateConfigHome();
    QVERIFY2(cluster.failure().empty(), cluster.failure().c_str());
    labserver::LabFailure failure;
    const auto admin = labserver::LabConnection::open(cluster.superuserConnection(), failure);
    QVERIFY2(admin, failure.text.c_str());
    QVERIFY(!labserver::initLabServer(*admin));
  }

  // Two stations send as they weigh; the server is stopped in the middle and started
  // again: the queue is said while it is away and cleared after, every record of both is
  // on the server once, in each station's order, and every chain holds.
  void stationsCatchUpAfterTheServerWasAway() {
    const std::filesystem::path first = dir.filePath("a.sqlite").toStdU16String();
    const std::filesystem::path second = dir.filePath("b.sqlite").toStdU16String();
    appendResults(first, 5);
    appendResults(second, 2);
    LabLink a(first);
    LabLink b(second);
    QSignalSpy said(&a, &LabLink::stateChanged);
    a.send(QString::fromStdString(serverOf("Станция А")));
    b.send(QString::fromStdString(serverOf("Станция Б")));
    QTRY_COMPARE_WITH_TIMEOUT(headOf("Станция А"), 5, kSendMs);
    QTRY_COMPARE_WITH_TIMEOUT(headOf("Станция Б"), 2, kSendMs);

    QVERIFY(cluster.stop());
    auto restart = qScopeGuard([this] { cluster.start(); });  // for the next test, whatever comes
    appendResults(first, 3);
    a.poke();
    QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty() && said.last().at(0).toString().startsWith(
                                                    "Сервер лаборатории: в очереди 3, нет связи с "),
                             kSendMs);
    QCOMPARE(said.last().at(1).toBool(), true);
    restart.dismiss();
    QVERIFY(cluster.start());
    QTRY_COMPARE_WITH_TIMEOUT(headOf("Станция А"), 8, kSendMs);
    QTRY_COMPARE_WITH_TIMEOUT(said.last().at(0).toString(),
                              QString("Сервер лаборатории: все записи отправлены, связь не зашифрована"), kSendMs);
    QCOMPARE(said.last().at(1).toBool(), false);

    labserver::LabFailure failure;
    std::vector<labserver::StationCheck> checks;
    QVERIFY(!labserver::verifyStations(*labserver::LabConnection::open(server(), failure), checks));
    QCOMPARE(checks.size(), size_t{2});
    QVERIFY(!checks[0].firstBroken && !checks[1].firstBroken);
  }

  // A program closing in the middle of a long catch-up does not wait for its end: the
  // link stops after the batch under way, and the rest goes at the next start.
  void closingStopsACatchUpBetweenBatches() {
    const std::filesystem::path path = dir.filePath("long.sqlite").toStdU16String();
    appendResults(path, 3000);
    auto link = std::make_unique<LabLink>(path);
    QSignalSpy said(link.get(), &LabLink::stateChanged);
    link->send(QString::fromStdString(serverOf("Станция Д")));
    QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), kSendMs);
    link.reset();
    const std::int64_t sent = headOf("Станция Д");
    QVERIFY2(sent > 0 && sent < 3000, qPrintable(QString::number(sent)));
  }

  // Closing while a send waits on a lock another session holds takes no more than the
  // link's stop check: the records are sent at the next start, once the lock is gone.
  void closingNeverWaitsForALockedServer() {
    const std::filesystem::path path = dir.filePath("locked.sqlite").toStdU16String();
    appendResults(path, 2);
    std::thread holder([this] {
      cluster.psql(server(), "BEGIN; LOCK TABLE tarvelo.lab_records IN ACCESS EXCLUSIVE MODE; SELECT pg_sleep(4);");
    });
    QTest::qWait(kLockTakenMs);
    auto link = std::make_unique<LabLink>(path);
    link->send(QString::fromStdString(serverOf("Замок")));
    QTest::qWait(kLockTakenMs);
    QElapsedTimer closing;
    closing.start();
    link.reset();
    QVERIFY2(closing.elapsed() <= kCloseLimitMs, qPrintable(QString::number(closing.elapsed())));
    holder.join();
    LabLink again(path);
    again.send(QString::fromStdString(serverOf("Замок")));
    QTRY_COMPARE_WITH_TIMEOUT(headOf("Замок"), 2, kSendMs);
  }

  // A server whose connection stops answering (its process stopped) is said not to answer
  // within the link's limit; the records go by a new connection.
  void aSilentServerIsSaidAndLeftBehind() {
    const std::filesystem::path path = dir.filePath("silent.sqlite").toStdU16String();
    appendResults(path, 1);
    LabLink link(path);
    QSignalSpy said(&link, &LabLink::stateChanged);
    link.send(QString::fromStdString(serverOf("Тишина")));
    QTRY_COMPARE_WITH_TIMEOUT(headOf("Тишина"), 1, kSendMs);
    const std::string pid =
        cluster.psql(server(), "SELECT pid FROM pg_stat_activity WHERE usename = '" + loginOf("Тишина") + "'").out;
    QVERIFY2(!pid.empty() && kill(std::stoi(pid), SIGSTOP) == 0, pid.c_str());
    auto resume = qScopeGuard([&pid] { kill(std::stoi(pid), SIGCONT); });
    appendResults(path, 2);
    link.poke();
    const auto saidSilent = [&said] {
      return std::any_of(said.begin(), said.end(), [](const auto& state) { return state.at(0).toString().contains("не отвечает"); });
    };
    QTRY_VERIFY_WITH_TIMEOUT(saidSilent(), kSilentSayMs);
    QTRY_COMPARE_WITH_TIMEOUT(headOf("Тишина"), 3, kSendMs);
  }

  // The list of animals is the lab's: an animal listed at one station is listed at the
  // other, changed there is changed here, with no echo between them, and taken off here
  // leaves there.
  void stationsKeepOneListOfAnimals() {
    const std::filesystem::path first = dir.filePath("list-a.sqlite").toStdU16String();
    const std::filesystem::path second = dir.filePath("list-b.sqlite").toStdU16String();
    appendResults(second, 1);
    const auto change = [](const std::filesystem::path& path, journal::JournalRecord record) {
      link::Failure error;
      QVERIFY(!journal::Journal::open(path, error)->append(record));
    };
    const auto cageAt = [](const std::filesystem::path& path) {
      journal::OpenError error;
      const auto list = journal::animalList(*journal::Journal::openForReading(path, error));
      return list.empty() ? std::string("нет") : list[0].cage;
    };
    const auto inCage = [](const std::string& cage) {
      return animalRecord({"643000000000111", cage, "", "", "", std::nullopt}, {}, QDateTime::currentDateTime());
    };
    change(first, inCage("К-1"));
    LabLink a(first);
    LabLink b(second);
    QSignalSpy changed(&b, &LabLink::listChanged);
    a.send(QString::fromStdString(serverOf("Список А")));
    b.send(QString::fromStdString(serverOf("Список Б")));
    QTRY_COMPARE_WITH_TIMEOUT(cageAt(second), std::string("К-1"), kSendMs);
    QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), kSendMs);
    change(second, inCage("К-2"));
    QTRY_COMPARE_WITH_TIMEOUT(cageAt(first), std::string("К-2"), kSendMs);
    labserver::LabFailure failure;
    const auto admin = labserver::LabConnection::open(server(), failure);
    labserver::LabListVersion settled, later;
    QTest::qWait(2 * kLabSendIntervalMs);
    QVERIFY(!labserver::labListVersion(*admin, settled));
    QTest::qWait(2 * kLabSendIntervalMs);
    QVERIFY(!labserver::labListVersion(*admin, later));
    QCOMPARE(later, settled);
    change(first, animalGoneRecord("643000000000111", {}, QDateTime::currentDateTime()));
    QTRY_COMPARE_WITH_TIMEOUT(cageAt(second), std::string("нет"), kSendMs);
  }

  // A correction made while another station still holds the first change unsent wins
  // everywhere: B's copy of A's cage C1 reaches the server after A's C2, and is no newer
  // entry for it; B then follows C2.
  void aCorrectionOutlivesAnotherStationsCopy() {
    const std::filesystem::path first = dir.filePath("echo-a.sqlite").toStdU16String();
    const std::filesystem::path second = dir.filePath("echo-b.sqlite").toStdU16String();
    appendResults(second, 1);
    link::Failure error;
    const auto a = journal::Journal::open(first, error);
    const auto b = journal::Journal::open(second, error);
    labserver::LabFailure failure;
    const auto atA = labserver::LabConnection::open(serverOf("Эхо А"), failure);
    const auto atB = labserver::LabConnection::open(serverOf("Эхо Б"), failure);
    const auto cageAtA = [&](const std::string& in) {
      journal::JournalRecord record =
          animalRecord({"643000000000222", in, "", "", "", std::nullopt, "C57BL/6J", "Cre+/+", "ИС-12", "Л2"}, {},
                       QDateTime::currentDateTime());
      QVERIFY(!a->append(record));
      QVERIFY(!labserver::sendPending(*atA, *a, "Эхо А").failure);
    };
    const auto follow = [&] {
      std::vector<labserver::LabListEntry> lab;
      QVERIFY(!labserver::labList(*atB, lab));
      for (journal::JournalRecord change : labListChanges(journal::animalList(*b), lab, "Эхо Б", {}))
        QVERIFY(!b->append(change));
    };
    const auto labCage = [&] {
      std::vector<labserver::LabListEntry> lab;
      labserver::labList(*atA, lab);
      for (const auto& entry : lab) {
        if (entry.animal.number == "643000000000222") return entry.animal.cage;
      }
      return std::string("нет");
    };
    cageAtA("C1");
    follow();
    cageAtA("C2");
    QVERIFY(!labserver::sendPending(*atB, *b, "Эхо Б").failure);  // B's copy of C1 arrives last
    QCOMPARE(labCage(), std::string("C2"));
    follow();
    QCOMPARE(journal::animalList(*b).at(0).cage, std::string("C2"));
    QVERIFY(journal::animalList(*b) == journal::animalList(*a));  // the colony's fields too
  }

  // The settings' check says what is wrong, or that the station may send.
  void checkSaysWhatStandsInTheWay() {
    LabLink link(dir.filePath("c.sqlite").toStdU16String());
    QSignalSpy checked(&link, &LabLink::checked);
    const std::string login = serverOf("Проверка");
    link.check(QString::fromStdString(cluster.connection(kLogin + std::string("_1"), "чужой")));
    QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, kSendMs);
    QVERIFY2(checked.last().at(0).toString().startsWith("Пароль в строке подключения не хранится"), qPrintable(checked.last().at(0).toString()));
    link.check(QString::fromStdString(login));
    QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 2, kSendMs);
    QCOMPARE(checked.last().at(1).toBool(), true);
    QVERIFY2(checked.last().at(0).toString().contains("связь не зашифрована"), qPrintable(checked.last().at(0).toString()));
    QVERIFY2(checked.last().at(0).toString().endsWith("станции «Проверка»."), qPrintable(checked.last().at(0).toString()));
  }

 private:
  // The connection of a login of the station's own, bound to it on the server.
  std::string serverOf(const std::string& station) {
    if (!logins.contains(station)) {
      const std::string login = kLogin + std::string("_") + std::to_string(logins.size() + 1);
      labserver::LabFailure failure;
      const auto admin = labserver::LabConnection::open(cluster.superuserConnection(), failure);
      if (!admin || labserver::addStation(*admin, station, login, kPassword)) return {};
      logins[station] = login;
      cluster.keepPassword(login, kPassword);
    }
    return cluster.connection(logins[station]);
  }
  std::string loginOf(const std::string& station) { return logins[station]; }
  std::string server() const { return cluster.superuserConnection(); }
  std::int64_t headOf(const std::string& station) {
    labserver::LabFailure failure;
    const auto connection = labserver::LabConnection::open(server(), failure);
    journal::Head head;
    if (!connection || labserver::stationHead(*connection, station, head)) return -1;
    return head.record;
  }

  testing::PostgresCluster cluster;
  QTemporaryDir dir;
  std::map<std::string, std::string> logins;  // station: its login
};

}  // namespace tarvelo::session

QTEST_GUILESS_MAIN(tarvelo::session::LabLinkTest)
#include "lab_link_test.moc"
