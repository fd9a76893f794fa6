#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal_record.h"

struct sqlite3;

namespace tarvelo::journal {

// Which records to read: all, or one object's, or those of local dates from `fromDate`
// to `toDate` ("2026-12-07"), both included.
struct RecordFilter {
  std::optional<std::string> object;
  std::optional<std::string> fromDate;
  std::optional<std::string> toDate;
};

// One object's weighings: the last, and the reference the changes are counted from (the
// first, unless another was taken).
struct ObjectSummary {
  std::string object;
  int weighings = 0;
  std::string lastLocal;
  std::optional<double> lastGrams;
  std::int64_t referenceId = 0;
  std::optional<double> referenceGrams;
};

// The last weighing as a share of the reference, in per cent; none without both masses
// or with a reference of nothing.
std::optional<double> lastShareOfReference(const ObjectSummary& summary);

struct Verification {
  std::int64_t records = 0;
  std::optional<std::int64_t> firstBroken;  // the first record whose hash does not match
};

// The journal's database. Records are only ever appended (triggers refuse a change or a
// deletion; the hash chain shows one made around them). An append is on the disk when
// it returns: write-ahead log, synchronous commits; readers never block it.
class Journal {
 public:
  // Opens the journal at `path`, making it and its folder when missing; null with the
  // reason in `error` when it cannot.
  static std::unique_ptr<Journal> open(const std::filesystem::path& path, std::string& error);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Appends the record, giving it its id and hash; the reason when it cannot.
  std::optional<std::string> append(JournalRecord& record);

  // The records the filter takes, in the order they were appended.
  std::vector<JournalRecord> records(const RecordFilter& filter = {}) const;

  // The results the filter takes that no removal names.
  std::vector<JournalRecord> standingResults(const RecordFilter& filter = {}) const;

  // Every object with a standing result, by name; or only the one named.
  std::vector<ObjectSummary> objects(const std::optional<std::string>& only = std::nullopt) const;

  // Walks the chain from the first record.
  Verification verify() const;

 private:
  explicit Journal(sqlite3* db) : db_(db) {}
  sqlite3* db_;
};

}  // namespace tarvelo::journal
