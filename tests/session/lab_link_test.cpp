// Stations' journals on their way to a real PostgreSQL server of the test's own, through
// the links the program runs: sent, held while the server is away, caught up after.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>

#include <memory>

#include "journal/animal_list.h"
#include "journal/journal.h"
#include "labserver/lab_animals.h"
#include "labserver/lab_records.h"
#include "labserver/lab_schema.h"
#include "labserver/server_verification.h"
#include "session/journal_entry.h"
#include "session/lab_link.h"
#include "session/lab_sender.h"
#include "tests/support/postgres_cluster.h"

namespace tarvelo::session {

namespace {

constexpr int kSendMs = 15'000;
constexpr char kLogin[] = "station_login";
constexpr char kPassword[] = "весы";

void appendResults(const std::filesystem::path& path, int count) {
  link::Failure error;
  const auto journal = journal::Journal::open(path, error);
  QVERIFY2(journal, error.message.c_str());
  for (int i = 0; i < count; ++i) {
    journal::JournalRecord record;
    record.object = "Мышь";
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
    QVERIFY(!admin->script(std::string("CREATE ROLE ") + kLogin + " LOGIN PASSWORD '" + kPassword + "' IN ROLE " +
                           labserver::kStationRole));
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
    a.send(QString::fromStdString(server()), "Станция А");
    b.send(QString::fromStdString(server()), "Станция Б");
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
    QTRY_VERIFY_WITH_TIMEOUT(said.last().at(0).toString().isEmpty(), kSendMs);
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
    link->send(QString::fromStdString(server()), "Станция Д");
    QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), kSendMs);
    link.reset();
    const std::int64_t sent = headOf("Станция Д");
    QVERIFY2(sent > 0 && sent < 3000, qPrintable(QString::number(sent)));
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
    a.send(QString::fromStdString(server()), "Список А");
    b.send(QString::fromStdString(server()), "Список Б");
    QTRY_COMPARE_WITH_TIMEOUT(cageAt(second), std::string("К-1"), kSendMs);
    QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), kSendMs);
    change(second, inCage("К-2"));
    QTRY_COMPARE_WITH_TIMEOUT(cageAt(first), std::string("К-2"), kSendMs);
    labserver::LabFailure failure;
    const auto admin = labserver::LabConnection::open(server(), failure);
    std::int64_t settled = 0, later = 0;
    QTest::qWait(2 * kLabSendIntervalMs);
    QVERIFY(!labserver::labListVersion(*admin, settled));
    QTest::qWait(2 * kLabSendIntervalMs);
    QVERIFY(!labserver::labListVersion(*admin, later));
    QCOMPARE(later, settled);
    change(first, animalGoneRecord("643000000000111", {}, QDateTime::currentDateTime()));
    QTRY_COMPARE_WITH_TIMEOUT(cageAt(second), std::string("нет"), kSendMs);
  }

  // The settings' check says what is wrong, or that the station may send.
  void checkSaysWhatStandsInTheWay() {
    LabLink link(dir.filePath("c.sqlite").toStdU16String());
    QSignalSpy checked(&link, &LabLink::checked);
    link.check(QString::fromStdString(cluster.connection(kLogin, "чужой")));
    QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, kSendMs);
    QVERIFY2(checked.last().at(0).toString().startsWith("пароль не подошел"), qPrintable(checked.last().at(0).toString()));
    link.check(QString::fromStdString(server()));
    QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 2, kSendMs);
    QCOMPARE(checked.last().at(1).toBool(), true);
  }

 private:
  std::string server() const { return cluster.connection(kLogin, kPassword); }
  std::int64_t headOf(const std::string& station) {
    labserver::LabFailure failure;
    const auto connection = labserver::LabConnection::open(server(), failure);
    journal::Head head;
    if (!connection || labserver::stationHead(*connection, station, head)) return -1;
    return head.record;
  }

  testing::PostgresCluster cluster;
  QTemporaryDir dir;
};

}  // namespace tarvelo::session

QTEST_GUILESS_MAIN(tarvelo::session::LabLinkTest)
#include "lab_link_test.moc"
