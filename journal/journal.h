#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "journal/journal_head.h"
#include "journal/journal_record.h"
#include "link/failure.h"

struct sqlite3;

namespace tarvelo::journal {

// How long a write or read waits for another program that holds the journal.
inline constexpr int kBusyWaitMs = 2000;

// A read of the journal that could not reach its end: a damaged page, an I/O error, a
// lock held past the wait. What was read before it is not the journal.
class ReadError : public std::runtime_error {
 public:
  explicit ReadError(const link::Failure& failure) : std::runtime_error(failure.message), code_(failure.code) {}
  // SQLite's failure that stopped the read.
  link::Failure failure() const { return {code_, what()}; }

 private:
  int code_;
};

// Why a journal could not be opened for reading.
struct OpenError : link::Failure {
  bool notAJournal = false;  // the file is readable but holds no weighing journal
};

// Which records to read: all, or one object's, or those of local dates from `fromDate`
// to `toDate` ("2026-12-07"), both included, or those of the given kinds. An object is an
// animal, by its number, or the grid's name of results without a number.
struct RecordFilter {
  std::optional<std::string> object;
  std::optional<std::string> fromDate;
  std::optional<std::string> toDate;
  std::optional<std::string> animal;
  std::vector<std::string> kinds{};  // every kind when empty
};

// One object's weighings: the last, and the reference the changes are counted from (the
// first, unless another was taken).
struct ObjectSummary {
  std::string object;    // the animal's number, or the grid's name when `byName`
  bool byName = false;   // results without an animal's number, known by the grid's name
  std::string station;   // read from the lab's server: the station naming one `byName`
  std::string cage;      // where the last weighing found it, and its group, line, genotype,
  std::string group;     // study and ear mark then
  std::string strain{};
  std::string genotype{};
  std::string study{};
  std::string earMark{};
  int weighings = 0;
  std::string lastLocal;
  std::int64_t lastId = 0;
  std::optional<double> lastGrams;
  std::int64_t referenceId = 0;
  std::optional<double> referenceGrams;

  bool operator==(const ObjectSummary&) const = default;
};

// The filter of the object's records; of the object a result belongs to.
RecordFilter filterOf(const ObjectSummary& summary);
RecordFilter filterOf(const JournalRecord& result);

// The last weighing as a share of the reference, in per cent; none without both masses
// or with a reference of nothing.
std::optional<double> lastShareOfReference(const ObjectSummary& summary);

struct Verification {
  std::int64_t records = 0;
  std::optional<std::int64_t> firstBroken;  // the first record whose hash does not match
  Head head;                                // the newest record's
  // The first anchor the journal no longer holds: its record is gone or is another now.
  std::optional<Head> lostAnchor;
};

// Told now and then how many of the journal's records the check has walked; the check
// stops early, its result of no use, when this returns false.
using VerifyProgress = std::function<bool(std::int64_t checked, std::int64_t total)>;

// The journal's database. Records are only ever appended (triggers refuse a change or a
// deletion; the hash chain shows one made around them). An append is on the disk when
// it returns: write-ahead log, synchronous commits; readers never block it. Reads throw
// ReadError when they cannot reach the end.
class Journal {
 public:
  // Opens the journal at `path` for appending, making it and its folder when missing.
  static std::unique_ptr<Journal> open(const std::filesystem::path& path, link::Failure& error);
  // Opens the journal at `path` read-only: nothing is made or changed, and a file that
  // holds no journal is refused. A connection kept to `follow` the journal sees what
  // writers add later; one that is not may read a journal nobody has open as it stands.
  static std::unique_ptr<Journal> openForReading(const std::filesystem::path& path, OpenError& error,
                                                 bool follow = false);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Appends the record, giving it its id and hash, and keeps the new head outside the
  // file; the failure when it cannot.
  std::optional<link::Failure> append(JournalRecord& record);
  // Appends the records in order in one transaction, with one head kept after them: all of
  // them are in, or none. `progress` hears how many are in so far and may call it off by
  // returning false; the failure then says so, with `cancelled` set.
  struct AppendFailure : link::Failure {
    bool cancelled = false;
  };
  using AppendProgress = std::function<bool(size_t appended)>;
  std::optional<AppendFailure> appendAll(std::vector<JournalRecord>& records, const AppendProgress& progress = {});

  // The records the filter takes, in the order they were appended.
  std::vector<JournalRecord> records(const RecordFilter& filter = {}) const;
  // The same, each handed to `take` as it is read and not kept.
  void forEachRecord(const RecordFilter& filter, const std::function<void(const JournalRecord&)>& take) const;

  // At most `count` records after record `id`, in order.
  std::vector<JournalRecord> recordsAfter(std::int64_t id, int count) const;

  // The results the filter takes that no removal names, each under the name the grid
  // calls it by now.
  std::vector<JournalRecord> standingResults(const RecordFilter& filter = {}) const;
  void forEachStandingResult(const RecordFilter& filter, const std::function<void(const JournalRecord&)>& take) const;

  // The newest record, as it stands; none in an empty journal.
  Head head() const;

  // Every object with a standing result, animals by number, then names; or only the
  // animal or name the filter gives (its dates are not looked at).
  std::vector<ObjectSummary> objects(const RecordFilter& only = {}) const;

  // The id of a record with the same kind, times, object, mass and readings, when one is
  // in: so a record carried over a restart is never appended twice.
  std::optional<std::int64_t> idOf(const JournalRecord& record) const;

  // Walks the chain from the first record and checks that it still holds each anchor.
  Verification verify(const std::vector<Head>& anchors = {}, const VerifyProgress& progress = {}) const;

  const std::filesystem::path& path() const { return path_; }

 private:
  Journal(sqlite3* db, std::filesystem::path path) : db_(db), path_(std::move(path)) {}
  void keepHead() const;
  sqlite3* db_;
  std::filesystem::path path_;
};

}  // namespace tarvelo::journal
