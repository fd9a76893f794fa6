// The lab's server: how fast a station catches up after an outage, how long a new record
// takes to reach the server in normal work, how many records ten stations sending at once
// get in, and what a million records take on the server's disk. Against a PostgreSQL
// cluster of its own on this machine.
// Then the server is filled to HISTORY records (made on the server itself, 10,000 animals)
// and one animal's lab-wide history is read as the lab's export reads it.
//   bench_lab_server [RECORDS [HISTORY]]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "journal/journal.h"
#include "labserver/lab_history.h"
#include "labserver/lab_objects.h"
#include "labserver/lab_records.h"
#include "labserver/lab_schema.h"
#include "labserver/lab_stations.h"
#include "labserver/station_sender.h"
#include "session/lab_link.h"
#include "tests/support/postgres_cluster.h"

namespace {

using namespace tarvelo;

constexpr int kDefaultRecords = 20'000;
constexpr long long kDefaultHistory = 1'000'000;
constexpr int kHistoryTries = 5;
constexpr int kStations = 10;
constexpr int kLagSamples = 20;
constexpr char kLogin[] = "bench_station";
constexpr char kPassword[] = "bench";
constexpr double kMillion = 1e6;

journal::JournalRecord resultOf(int n) {
  journal::JournalRecord record;
  record.utc = "2026-12-07T09:05:07.000Z";
  record.local = "2026-12-07 12:05:07";
  record.person = "Иванов И.И.";
  record.protocol = "П-7";
  record.object = "Мышь " + std::to_string(n % 1000 + 1);
  record.animal = std::to_string(985000000000000LL + n % 1000);
  record.grams = 20.0 + (n % 97) * 0.1;
  record.mass = "25,10";
  record.count = 8;
  for (int i = 0; i < 8; ++i) record.trace += "12:05:0" + std::to_string(i) + "\t25,1\n";
  record.balance = "Весы: KM500  Заводской № 1234";
  return record;
}

std::unique_ptr<labserver::LabConnection> connect(const std::string& connection,
                                                  labserver::LabUse use = labserver::LabUse::Station) {
  labserver::LabFailure failure;
  auto made = labserver::LabConnection::open(connection, failure, use);
  if (!made) {
    std::fprintf(stderr, "no connection: %s\n", failure.text.c_str());
    std::exit(1);
  }
  return made;
}

std::int64_t headOf(labserver::LabConnection& connection, const std::string& station) {
  journal::Head head;
  labserver::stationHead(connection, station, head);
  return head.record;
}

double seconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e9; }

// What the journal window's "Вся лаборатория" reads: every object of the lab.
void timeLabView(labserver::LabConnection& connection, double records) {
  QElapsedTimer timer;
  timer.start();
  std::vector<journal::ObjectSummary> objects;
  const auto failure = labserver::labObjects(connection, objects);
  std::printf("\"Вся лаборатория\": %zu objects of %.0f records read in %.2f s%s\n", objects.size(), records,
              seconds(timer), failure ? (" — " + failure->text).c_str() : "");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const int records = argc > 1 ? std::atoi(argv[1]) : kDefaultRecords;
  testing::privateConfigHome();
  testing::PostgresCluster cluster;
  if (!cluster.failure().empty()) {
    std::fprintf(stderr, "%s\n", cluster.failure().c_str());
    return 1;
  }
  const auto admin = connect(cluster.superuserConnection(), labserver::LabUse::Administration);
  labserver::initLabServer(*admin);
  // Each station logs in as itself.
  const auto loginOf = [](const std::string& station) {
    std::string login = kLogin;
    for (const char c : station) login += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return login;
  };
  const auto serverOf = [&](const std::string& station) {
    labserver::addStation(*admin, station, loginOf(station), kPassword);
    cluster.keepPassword(loginOf(station), kPassword);  // a station keeps none in its settings
    return cluster.connection(loginOf(station));
  };

  QTemporaryDir dir;
  // A journal of its own for each station: the server holds one journal as one station.
  const auto journalOf = [&dir, records](const QString& name) {
    const std::filesystem::path made = dir.filePath(name + ".sqlite").toStdU16String();
    link::Failure error;
    const auto journal = journal::Journal::open(made, error);
    for (int n = 0; n < records; ++n) {
      journal::JournalRecord record = resultOf(n);
      record.person = name.toStdString();
      journal->append(record);
    }
    return made;
  };
  const std::filesystem::path path = journalOf("station");
  journal::OpenError error;
  const auto journal = journal::Journal::openForReading(path, error);
  const auto station = connect(serverOf("catch-up"));
  QElapsedTimer timer;
  timer.start();
  const labserver::SendResult caughtUp = labserver::sendPending(*station, *journal, "catch-up");
  std::printf("catch-up after an outage: %lld records in %.2f s, %.0f records/s%s\n",
              static_cast<long long>(caughtUp.sent), seconds(timer), caughtUp.sent / seconds(timer),
              caughtUp.failure ? (" — " + caughtUp.failure->text).c_str() : "");

  // Ten stations at once, each its own connection and journal.
  std::vector<std::filesystem::path> copies;
  for (int s = 0; s < kStations; ++s) copies.push_back(journalOf(QString("station-%1").arg(s)));
  std::vector<std::string> servers;
  for (int s = 0; s < kStations; ++s) servers.push_back(serverOf("station " + std::to_string(s)));
  std::vector<std::int64_t> sent(kStations);
  timer.restart();
  std::vector<std::thread> senders;
  for (int s = 0; s < kStations; ++s) {
    senders.emplace_back([&, s] {
      journal::OpenError failed;
      const auto copy = journal::Journal::openForReading(copies[static_cast<size_t>(s)], failed);
      const auto connection = connect(servers[static_cast<size_t>(s)]);
      sent[static_cast<size_t>(s)] = labserver::sendPending(*connection, *copy, "station " + std::to_string(s)).sent;
    });
  }
  for (std::thread& sender : senders) sender.join();
  std::int64_t total = 0;
  for (const std::int64_t n : sent) total += n;
  std::printf("ingest, %d stations sending at once: %lld records in %.2f s, %.0f records/s\n", kStations,
              static_cast<long long>(total), seconds(timer), total / seconds(timer));

  // A result row to the server in normal work: appended, the link poked, the server asked.
  const std::filesystem::path live = dir.filePath("live.sqlite").toStdU16String();
  link::Failure failure;
  const auto writer = journal::Journal::open(live, failure);
  session::LabLink link(live);
  link.send(QString::fromStdString(serverOf("live")));
  std::vector<double> lags;
  for (int n = 0; n < kLagSamples; ++n) {
    journal::JournalRecord record = resultOf(n);
    writer->append(record);
    timer.restart();
    link.poke();
    while (headOf(*station, "live") < record.id) QThread::usleep(500);
    lags.push_back(seconds(timer) * 1000);
  }
  std::sort(lags.begin(), lags.end());
  std::printf("result to server in normal work: median %.1f ms, worst %.1f ms (%d records)\n", lags[lags.size() / 2],
              lags.back(), kLagSamples);

  labserver::LabRows size;
  admin->run("SELECT pg_total_relation_size('lab_records'), count(*) FROM lab_records", {}, &size);
  const double bytes = std::atof(size[0][0].c_str());
  const double held = std::atof(size[0][1].c_str());
  std::printf("server tables: %.1f MB for %.0f records, %.0f MB a million records (8 readings each)\n", bytes / kMillion,
              held, bytes / held);
  timeLabView(*station, held);

  const long long history = argc > 2 ? std::atoll(argv[2]) : kDefaultHistory;
  timer.restart();
  const auto filled = admin->script(
      "ALTER TABLE lab_records DISABLE TRIGGER USER;"
      "INSERT INTO lab_records (station, id, previous, hash, kind, utc, local, person, protocol, object, mass, grams, "
      "deviation, unit, count, trace, balance, subject, chain, animal, cage, grp, sex, born, note) "
      "SELECT 'filled ' || (n % 10), n / 10 + 1, '', md5(n::text), 'result', '2026-12-07T09:05:07.000Z', "
      "'2026-12-07 12:05:07', 'Иванов И.И.', 'П-7', 'Мышь', '25,10', 25.1, '-0,05', 'г', 8, "
      "repeat('12:05:00' || chr(9) || '25,1' || chr(10), 8), 'Весы', 0, 3, (985000000000000 + n % 10000)::text, "
      "'К-1', '', '', '', '' FROM generate_series(0, " +
      std::to_string(history - static_cast<long long>(held) - 1) +
      ") AS n; ALTER TABLE lab_records ENABLE TRIGGER USER; ANALYZE lab_records;");
  std::printf("server filled to %lld records in %.0f s%s\n", history, seconds(timer),
              filled ? (" — " + filled->text).c_str() : "");
  // Filled around the triggers: the objects' sums are made anew, as for a journal made before.
  timer.restart();
  const auto recounted = admin->script("SELECT lab_objects_recount()");
  std::printf("objects summed up anew in %.0f s%s\n", seconds(timer), recounted ? (" — " + recounted->text).c_str() : "");
  std::vector<double> reads;
  std::size_t weighings = 0;
  for (int n = 0; n < kHistoryTries; ++n) {
    labserver::LabFilter animal;
    animal.animal = std::to_string(985000000000000LL + 1234 + n);
    timer.restart();
    weighings = 0;
    labserver::labSource(*station, animal).forEachResult([&](const journal::JournalRecord&, const std::string&) {
      ++weighings;
    });
    reads.push_back(seconds(timer) * 1000);
  }
  std::sort(reads.begin(), reads.end());
  std::printf("one animal's lab-wide history (%zu weighings of %lld records): median %.1f ms, worst %.1f ms\n",
              weighings, history, reads[reads.size() / 2], reads.back());
  timeLabView(*station, static_cast<double>(history));
  return 0;
}
