// The weighing journal: one result row with its readings appended and on the disk, and a
// journal of many results read for the journal window and checked.
//   bench_journal [FOLDER] [RESULTS]
// FOLDER (default: the current one) is where the appends are timed: the disk the journal
// lives on. The large journal is built in a temporary folder of the same disk.
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "journal/export_file.h"
#include "journal/journal.h"

namespace {

using namespace tarvelo::journal;

constexpr int kTimedAppends = 200;
constexpr int kDefaultResults = 100'000;
constexpr int kAnimals = 1000;  // a facility's tagged animals, weighed again and again
constexpr long long kFirstTag = 985000000000000;
constexpr int kReadingsPerResult = 8;

JournalRecord resultOf(int n) {
  JournalRecord record;
  record.utc = "2026-12-07T09:05:07.000Z";
  record.local = "2026-12-07 12:05:07";
  record.person = "Иванов И.И.";
  record.protocol = "П-7";
  record.object = "Мышь " + std::to_string(n % kAnimals + 1);
  record.animal = std::to_string(kFirstTag + n % kAnimals);
  record.grams = 20.0 + (n % 97) * 0.1;
  record.mass = std::to_string(*record.grams);
  record.deviation = "-0,05";
  record.unit = "г";
  record.count = kReadingsPerResult;
  for (int i = 0; i < kReadingsPerResult; ++i) record.trace += "12:05:0" + std::to_string(i) + "\t25,1" + "\n";
  record.balance = "Весы: KM500  Заводской № 1234";
  return record;
}

// The process's peak resident memory, from the kernel; 0 where there is no /proc.
long peakMemoryKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::atol(line.c_str() + 6);
  }
  return 0;
}

double milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path folder = argc > 1 ? argv[1] : ".";
  const int results = argc > 2 ? std::atoi(argv[2]) : kDefaultResults;
  const QTemporaryDir dir(QString::fromStdString((folder / "bench-journal-XXXXXX").string()));
  tarvelo::link::Failure error;

  // Appends as the window makes them: each its own synchronous commit.
  auto journal = Journal::open(dir.filePath("appends.sqlite").toStdString(), error);
  if (!journal) {
    std::fprintf(stderr, "no journal: %s\n", error.message.c_str());
    return 1;
  }
  std::vector<double> times;
  for (int i = 0; i < kTimedAppends; ++i) {
    JournalRecord record = resultOf(i);
    QElapsedTimer timer;
    timer.start();
    if (journal->append(record)) return 1;
    times.push_back(milliseconds(timer));
  }
  std::sort(times.begin(), times.end());
  std::printf("append one result with %d readings, synchronous (%d appends): median %.2f ms, worst %.2f ms\n",
              kReadingsPerResult, kTimedAppends, times[times.size() / 2], times.back());

  // A journal of many results, then what the journal window and verify read of it.
  const std::string large = dir.filePath("large.sqlite").toStdString();
  journal = Journal::open(large, error);
  QElapsedTimer building;
  building.start();
  for (int i = 0; i < results; ++i) {
    JournalRecord record = resultOf(i);
    if (journal->append(record)) return 1;
  }
  std::printf("built a journal of %d results in %.1f s\n", results, milliseconds(building) / 1000);
  journal.reset();

  // What the journal window does on its own thread when it opens; the chain is checked behind.
  QElapsedTimer timer;
  timer.start();
  OpenError failure;
  journal = Journal::openForReading(large, failure);
  const auto objects = journal->objects();
  std::printf("journal window opens: read-only journal and object list (%zu objects): %.1f ms\n", objects.size(),
              milliseconds(timer));
  timer.restart();
  const auto history = journal->standingResults(filterOf(objects.front()));
  std::printf("one object's history (%zu results): %.1f ms\n", history.size(), milliseconds(timer));
  timer.restart();
  const Verification verification = journal->verify();
  std::printf("verify %lld records (behind the window): %.1f ms, %s\n", static_cast<long long>(verification.records),
              milliseconds(timer), verification.firstBroken ? "broken" : "chain holds");

  const long before = peakMemoryKb();
  timer.restart();
  const auto failed = exportResults(*journal, {}, ExportStyle::Russian, dir.filePath("export.xlsx").toStdString());
  std::printf("xlsx export of %d results: %.1f s, %s; peak memory of the process %.1f MB (before it %.1f MB)\n",
              results, milliseconds(timer) / 1000, failed ? failed->message.c_str() : "written",
              peakMemoryKb() / 1024.0, before / 1024.0);
  timer.restart();
  const auto grown = exportGrowth(*journal, {}, ExportStyle::Russian, {}, dir.filePath("growth.xlsx").toStdString());
  std::printf("growth sheet of %zu objects: %.1f s, %s\n", objects.size(), milliseconds(timer) / 1000,
              grown ? grown->message.c_str() : "written");
  return 0;
}
