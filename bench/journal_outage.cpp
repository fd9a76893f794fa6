// The weighing journal through an outage: whether the writer keeps every result, in order and
// chained, while another program holds the journal's write lock, while the disk is full, and
// when the program is closed during an outage; and how soon the backlog is written after it.
//   bench_journal_outage [FOLDER [LOCK [FULLDIR [FREE]]]]
// FOLDER (default: the current one) takes the journals of the lock and closing cases; LOCK
// (default 30) is how many seconds the lock is held. FULLDIR, when given, is a small file
// system of its own (journal_outage.sh mounts one) that is filled up to the last byte and
// freed after FREE seconds (default 20).
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "journal/journal_place.h"
#include "session/journal_entry.h"
#include "session/journal_writer.h"
#include "session/pending_records.h"
#include "session/result_journal.h"

namespace {

using tarvelo::session::JournalWriter;
using namespace tarvelo::journal;
namespace fs = std::filesystem;

constexpr int kResults = 9;
constexpr int kResultEveryMs = 3000;  // a hands-free batch
constexpr int kDefaultLockSeconds = 30;
constexpr int kDefaultFreeSeconds = 20;
constexpr int kBacklogWaitMs = 60'000;
constexpr int kClosingResults = 3;
// Result n weighs kFirstGrams + n: the order shows in the masses.
constexpr double kFirstGrams = 20.0;
constexpr size_t kFillerChunkBytes = size_t{64} * 1024;

// Result n of the batch; result 0 makes the journal before the outage.
JournalRecord resultOf(int n) {
  const QDateTime now = QDateTime::currentDateTime();
  JournalRecord record;
  record.utc = now.toUTC().toString(Qt::ISODateWithMs).toStdString();
  record.local = now.toString(tarvelo::session::kLocalTimeFormat).toStdString();
  record.person = "Иванов И.И.";
  record.protocol = "П-7";
  record.object = "Мышь " + std::to_string(n);
  record.grams = kFirstGrams + n;
  record.mass = std::to_string(static_cast<int>(*record.grams)) + ",00";
  record.unit = "г";
  record.count = 1;
  record.trace = now.toString("HH:mm:ss").toStdString() + "\t" + record.mass + "\n";
  return record;
}

double seconds(qint64 ms) { return static_cast<double>(ms) / 1000; }

// The writer on a thread of its own, as the program runs it.
class WriterThread {
 public:
  explicit WriterThread(const fs::path& journal) : writer_(new JournalWriter(journal)) {
    writer_->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, writer_, &QObject::deleteLater);
    thread_.start();
  }
  ~WriterThread() {
    thread_.quit();
    thread_.wait();
  }
  JournalWriter* writer() const { return writer_; }
  void add(int n) {
    QMetaObject::invokeMethod(
        writer_,
        [writer = writer_, record = resultOf(n), n] {
          writer->add(record, n + 1, tarvelo::journal::AlertShares{});
        },
        Qt::QueuedConnection);
  }
  // Returns once the writer has taken everything asked before.
  void wait() {
    QMetaObject::invokeMethod(
        writer_, [] {}, Qt::BlockingQueuedConnection);
  }
  QString finish() {
    QString lost;
    QMetaObject::invokeMethod(
        writer_, [writer = writer_, &lost] { lost = writer->finish(); },
        Qt::BlockingQueuedConnection);
    return lost;
  }

 private:
  QThread thread_;
  JournalWriter* writer_;  // deleted when thread_ ends
};

// Another program's connection holding the journal's write lock.
class WriteLock {
 public:
  explicit WriteLock(const fs::path& journal) {
    sqlite3_open_v2(journal.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    held_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
  }
  ~WriteLock() { sqlite3_close(db_); }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;
  // Says so when another connection had it already.
  bool held() const {
    if (!held_) std::printf("write lock not taken\n");
    return held_;
  }
  void release() { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_ = nullptr;
  bool held_ = false;
};

// Writes `filler` until the disk takes no more; the bytes it holds.
std::uintmax_t fillDisk(const fs::path& filler) {
  const std::string chunk(kFillerChunkBytes, 'x');
  std::ofstream out(filler, std::ios::binary);
  while (out.write(chunk.data(), static_cast<std::streamsize>(chunk.size())) && out.flush()) {
  }
  out.close();
  std::error_code ignored;
  return fs::file_size(filler, ignored);
}

// What the journal holds of results 1 to `count`, read as the journal window reads it.
std::string tally(const fs::path& journal, int count) {
  OpenError failure;
  const auto reader = Journal::openForReading(journal, failure);
  if (!reader) return "journal not read: " + failure.message;
  try {
    std::vector<long> numbers;
    for (const JournalRecord& record : reader->records()) {
      const long n = std::lround(record.grams.value_or(0) - kFirstGrams);
      if (n >= 1 && n <= count) numbers.push_back(n);
    }
    const std::set<long> distinct(numbers.begin(), numbers.end());
    const bool inOrder =
        std::adjacent_find(numbers.begin(), numbers.end(), std::greater_equal<>()) == numbers.end();
    const Verification verification = reader->verify();
    std::string text = std::to_string(distinct.size()) + " of " + std::to_string(count) +
                       " in the journal, " + (inOrder ? "in order" : "OUT OF ORDER");
    if (numbers.size() > distinct.size())
      text += ", " + std::to_string(numbers.size() - distinct.size()) + " DUPLICATED";
    return text + (verification.firstBroken ? ", CHAIN BROKEN" : ", chain holds");
  } catch (const ReadError& error) {
    return std::string("journal read failed: ") + error.what();
  }
}

// The batch against an outage that `endOutage` ends at `outageMs`; then waits for the
// backlog to be written. The figures after the tally.
std::string runBatch(WriterThread& thread, int outageMs, const std::function<void()>& endOutage) {
  QEventLoop loop;
  QElapsedTimer clock;
  clock.start();
  int added = 0;
  int waiting = 0;
  int mostWaiting = 0;
  QString reason;
  qint64 endedMs = -1;
  qint64 writtenMs = -1;
  const auto checkDone = [&] {
    if (endedMs >= 0 && added == kResults && waiting == 0) loop.quit();
  };
  QObject::connect(thread.writer(), &JournalWriter::backlogChanged, &loop,
                   [&](int now, const QString& why) {
                     waiting = now;
                     mostWaiting = std::max(mostWaiting, now);
                     if (now > 0) reason = why;
                     if (now == 0 && endedMs >= 0 && writtenMs < 0)
                       writtenMs = clock.elapsed() - endedMs;
                     checkDone();
                   });
  for (int n = 1; n <= kResults; ++n) {
    QTimer::singleShot((n - 1) * kResultEveryMs, &loop, [&, n] {
      thread.add(n);
      ++added;
      checkDone();
    });
  }
  QTimer::singleShot(outageMs, &loop, [&] {
    endOutage();
    endedMs = clock.elapsed();
    checkDone();
  });
  QTimer::singleShot(outageMs + kBacklogWaitMs, &loop, &QEventLoop::quit);
  loop.exec();
  thread.wait();
  char figures[512];
  if (waiting > 0) {
    std::snprintf(figures, sizeof figures, "; %d STILL WAITING %.0f s after it («%s»)", waiting,
                  seconds(kBacklogWaitMs), qUtf8Printable(reason));
  } else if (writtenMs >= 0) {
    std::snprintf(figures, sizeof figures, "; up to %d waited («%s»); backlog written %.1f s after",
                  mostWaiting, qUtf8Printable(reason), seconds(writtenMs));
  } else {
    std::snprintf(figures, sizeof figures, "; none waited");
  }
  return figures;
}

// A writer whose journal holds result 0, its connection open, as during a run.
void startJournal(WriterThread& thread) {
  thread.add(0);
  thread.wait();
}

void lockedBatch(const fs::path& journal, int lockMs) {
  WriterThread thread(journal);
  startJournal(thread);
  WriteLock lock(journal);
  if (!lock.held()) return;
  const std::string figures = runBatch(thread, lockMs, [&lock] { lock.release(); });
  std::printf("write lock held %.0f s during %d results: %s%s the lock went\n", seconds(lockMs),
              kResults, tally(journal, kResults).c_str(), figures.c_str());
}

void fullDiskBatch(const fs::path& folder, int freeMs) {
  const fs::path journal = folder / "journal.sqlite";
  const fs::path filler = folder / "filler";
  WriterThread thread(journal);
  startJournal(thread);
  const std::uintmax_t filled = fillDisk(filler);
  const std::string figures = runBatch(thread, freeMs, [&filler] { fs::remove(filler); });
  std::printf(
      "disk full (filler of %.1f MB) for %.0f s during %d results: %s%s the disk was freed\n",
      static_cast<double>(filled) / (1024 * 1024), seconds(freeMs), kResults,
      tally(journal, kResults).c_str(), figures.c_str());
}

void closedWhileLocked(const fs::path& journal) {
  qint64 closingMs = 0;
  {
    WriterThread thread(journal);
    startJournal(thread);
    WriteLock lock(journal);
    if (!lock.held()) return;
    for (int n = 1; n <= kClosingResults; ++n) thread.add(n);
    thread.wait();
    QElapsedTimer clock;
    clock.start();
    const QString lost = thread.finish();
    closingMs = clock.elapsed();
    if (!lost.isEmpty()) std::printf("%s\n", qUtf8Printable(lost));
    lock.release();
  }
  std::string error;
  size_t kept = 0;
  for (const fs::path& file : pendingFilesOf(journal)) kept += tarvelo::session::readPendingRecords(file, error).size();
  JournalWriter next(journal);
  next.resume();
  std::printf(
      "closed while locked with %d results: closing took %.1f s and kept %zu in the pending file; "
      "the next start wrote %s; pending file %s\n",
      kClosingResults, seconds(closingMs), kept, tally(journal, kClosingResults).c_str(),
      !pendingFilesOf(journal).empty() ? "STILL THERE" : "gone");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const fs::path folder = argc > 1 ? argv[1] : ".";
  const int lockMs = (argc > 2 ? std::atoi(argv[2]) : kDefaultLockSeconds) * 1000;
  const int freeMs = (argc > 4 ? std::atoi(argv[4]) : kDefaultFreeSeconds) * 1000;
  const QTemporaryDir dir(
      QString::fromStdString((folder / "bench-journal-outage-XXXXXX").string()));
  const fs::path place = dir.path().toStdString();
  // The journals' heads are kept here, not in the user's configuration.
  qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());

  lockedBatch(place / "locked.sqlite", lockMs);
  std::fflush(stdout);
  closedWhileLocked(place / "closed.sqlite");
  std::fflush(stdout);
  if (argc > 3) fullDiskBatch(argv[3], freeMs);
  return 0;
}
