#include "journal/journal.h"

#include <sqlite3.h>

#include <map>
#include <set>
#include <system_error>

namespace tarvelo::journal {

namespace {

constexpr int kBusyWaitMs = 2000;  // another program appending at the same moment

constexpr char kSchema[] = R"(
PRAGMA journal_mode = WAL;
CREATE TABLE IF NOT EXISTS records (
  id INTEGER PRIMARY KEY,
  kind TEXT NOT NULL,
  utc TEXT NOT NULL,
  local TEXT NOT NULL,
  person TEXT NOT NULL,
  protocol TEXT NOT NULL,
  object TEXT NOT NULL,
  mass TEXT NOT NULL,
  grams REAL,
  deviation TEXT NOT NULL,
  unit TEXT NOT NULL,
  count INTEGER NOT NULL,
  trace TEXT NOT NULL,
  balance TEXT NOT NULL,
  subject INTEGER NOT NULL,
  hash TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS records_by_object ON records (object, id);
CREATE TRIGGER IF NOT EXISTS records_are_kept BEFORE DELETE ON records
  BEGIN SELECT RAISE(ABORT, 'journal records are never deleted'); END;
CREATE TRIGGER IF NOT EXISTS records_are_unchanged BEFORE UPDATE ON records
  BEGIN SELECT RAISE(ABORT, 'journal records are never changed'); END;
)";

constexpr char kColumns[] =
    "id, kind, utc, local, person, protocol, object, mass, grams, deviation, unit, count, trace, balance, "
    "subject, hash";

// A prepared statement, finalised when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) { sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr); }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ready() const { return statement_ != nullptr; }
  void bind(int index, const std::string& text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  void bind(int index, std::int64_t number) { sqlite3_bind_int64(statement_, index, number); }
  void bind(int index, std::optional<double> number) {
    if (number) {
      sqlite3_bind_double(statement_, index, *number);
    } else {
      sqlite3_bind_null(statement_, index);
    }
  }
  int step() { return sqlite3_step(statement_); }
  std::string text(int column) const {
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return value != nullptr ? std::string(value, static_cast<size_t>(sqlite3_column_bytes(statement_, column)))
                            : std::string();
  }
  std::int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
  std::optional<double> real(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_double(statement_, column);
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

JournalRecord recordAt(const Statement& row) {
  JournalRecord record;
  record.id = row.integer(0);
  record.kind = row.text(1);
  record.utc = row.text(2);
  record.local = row.text(3);
  record.person = row.text(4);
  record.protocol = row.text(5);
  record.object = row.text(6);
  record.mass = row.text(7);
  record.grams = row.real(8);
  record.deviation = row.text(9);
  record.unit = row.text(10);
  record.count = static_cast<int>(row.integer(11));
  record.trace = row.text(12);
  record.balance = row.text(13);
  record.subject = row.integer(14);
  record.hash = row.text(15);
  return record;
}

std::string lastHash(sqlite3* db) {
  Statement last(db, "SELECT hash FROM records ORDER BY id DESC LIMIT 1");
  return last.ready() && last.step() == SQLITE_ROW ? last.text(0) : std::string();
}

// The results that removals name.
std::set<std::int64_t> removedResults(sqlite3* db) {
  std::set<std::int64_t> removed;
  Statement removals(db, "SELECT subject FROM records WHERE kind = ?");
  removals.bind(1, std::string(kRemoval));
  while (removals.ready() && removals.step() == SQLITE_ROW) removed.insert(removals.integer(0));
  return removed;
}

}  // namespace



std::unique_ptr<Journal> Journal::open(const std::filesystem::path& path, std::string& error) {
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  sqlite3* db = nullptr;
  const auto name = path.u8string();
  if (sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK) {
    error = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyWaitMs);
  if (sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr) != SQLITE_OK) {
    error = sqlite3_errmsg(db);
    sqlite3_close(db);
    return nullptr;
  }
  return std::unique_ptr<Journal>(new Journal(db));
}

Journal::~Journal() { sqlite3_close(db_); }

std::optional<std::string> Journal::append(JournalRecord& record) {
  // The last hash is read in the same transaction, so two programs appending at once
  // still make one chain.
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return sqlite3_errmsg(db_);
  record.hash = chainHash(lastHash(db_), record);
  Statement insert(db_,
                   "INSERT INTO records (kind, utc, local, person, protocol, object, mass, grams, deviation, unit, "
                   "count, trace, balance, subject, hash) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  bool inserted = false;
  if (insert.ready()) {
    int index = 0;
    for (const std::string* text : {&record.kind, &record.utc, &record.local, &record.person, &record.protocol, &record.object,
                                    &record.mass}) {
      insert.bind(++index, *text);
    }
    insert.bind(++index, record.grams);
    insert.bind(++index, record.deviation);
    insert.bind(++index, record.unit);
    insert.bind(++index, std::int64_t{record.count});
    insert.bind(++index, record.trace);
    insert.bind(++index, record.balance);
    insert.bind(++index, record.subject);
    insert.bind(++index, record.hash);
    inserted = insert.step() == SQLITE_DONE;
  }
  if (!inserted || sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::string reason = sqlite3_errmsg(db_);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return reason;
  }
  record.id = sqlite3_last_insert_rowid(db_);
  return std::nullopt;
}

std::vector<JournalRecord> Journal::records(const RecordFilter& filter) const {
  std::string sql = std::string("SELECT ") + kColumns + " FROM records WHERE 1";
  if (filter.object) sql += " AND object = :object";
  if (filter.fromDate) sql += " AND substr(local, 1, 10) >= :from";
  if (filter.toDate) sql += " AND substr(local, 1, 10) <= :to";
  sql += " ORDER BY id";
  Statement select(db_, sql);
  std::vector<JournalRecord> records;
  if (!select.ready()) return records;
  int index = 0;
  for (const auto* value : {&filter.object, &filter.fromDate, &filter.toDate}) {
    if (*value) select.bind(++index, **value);
  }
  while (select.step() == SQLITE_ROW) records.push_back(recordAt(select));
  return records;
}

std::vector<JournalRecord> Journal::standingResults(const RecordFilter& filter) const {
  const std::set<std::int64_t> removed = removedResults(db_);
  std::vector<JournalRecord> results = records(filter);
  std::erase_if(results, [&removed](const JournalRecord& record) {
    return record.kind != kResult || removed.contains(record.id);
  });
  return results;
}

std::optional<double> lastShareOfReference(const ObjectSummary& summary) {
  if (!summary.lastGrams || !summary.referenceGrams || *summary.referenceGrams <= 0) return std::nullopt;
  return *summary.lastGrams / *summary.referenceGrams * 100.0;
}

std::vector<ObjectSummary> Journal::objects(const std::optional<std::string>& only) const {
  const std::set<std::int64_t> removed = removedResults(db_);
  std::map<std::string, ObjectSummary> summaries;
  std::map<std::int64_t, std::pair<std::string, std::optional<double>>> standing;  // id: object, grams
  Statement select(db_, std::string("SELECT id, kind, object, grams, local, subject FROM records WHERE kind IN (?, ?)") +
                            (only ? " AND object = ?" : "") + " ORDER BY id");
  select.bind(1, std::string(kResult));
  select.bind(2, std::string(kReference));
  if (only) select.bind(3, *only);
  while (select.ready() && select.step() == SQLITE_ROW) {
    const std::int64_t id = select.integer(0);
    if (select.text(1) == kReference) {
      // Taken as the reference: a standing result of that object.
      const auto taken = standing.find(select.integer(5));
      if (taken == standing.end() || taken->second.first != select.text(2)) continue;
      ObjectSummary& summary = summaries[taken->second.first];
      summary.referenceId = taken->first;
      summary.referenceGrams = taken->second.second;
      continue;
    }
    if (removed.contains(id)) continue;
    const std::string object = select.text(2);
    ObjectSummary& summary = summaries[object];
    summary.object = object;
    ++summary.weighings;
    summary.lastGrams = select.real(3);
    summary.lastLocal = select.text(4);
    if (summary.referenceId == 0) {
      summary.referenceId = id;
      summary.referenceGrams = summary.lastGrams;
    }
    standing[id] = {object, summary.lastGrams};
  }
  std::vector<ObjectSummary> objects;
  objects.reserve(summaries.size());
  for (auto& [object, summary] : summaries) objects.push_back(std::move(summary));
  return objects;
}

Verification Journal::verify() const {
  Verification result;
  Statement select(db_, std::string("SELECT ") + kColumns + " FROM records ORDER BY id");
  std::string previous;
  while (select.ready() && select.step() == SQLITE_ROW) {
    const JournalRecord record = recordAt(select);
    ++result.records;
    if (!result.firstBroken && chainHash(previous, record) != record.hash) result.firstBroken = record.id;
    previous = record.hash;
  }
  return result;
}

}  // namespace tarvelo::journal
