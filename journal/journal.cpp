#include "journal/journal.h"

#include <array>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <tuple>

#include "journal/batch_deviation.h"
#include "journal/sqlite_statement.h"
#include "link/utf8_path.h"

namespace tarvelo::journal {

namespace {

constexpr std::int64_t kProgressEveryRecords = 5000;

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
-- The records of a kind, and of a kind and day: the list of animals, removals, a day's results.
CREATE INDEX IF NOT EXISTS records_by_kind ON records (kind, local);
CREATE TRIGGER IF NOT EXISTS records_are_kept BEFORE DELETE ON records
  BEGIN SELECT RAISE(ABORT, 'journal records are never deleted'); END;
CREATE TRIGGER IF NOT EXISTS records_are_unchanged BEFORE UPDATE ON records
  BEGIN SELECT RAISE(ABORT, 'journal records are never changed'); END;
)";

// Columns that journals written before them lack: records without the chain column are of
// the first form, those without the animal's of the first two, those without the colony's
// of the first three.
struct AddedColumn {
  const char* name;
  const char* type;
  const char* value;  // what records written before it hold
};
constexpr AddedColumn kAddedColumns[] = {
    {"chain", "INTEGER", "1"}, {"animal", "TEXT", "''"},   {"cage", "TEXT", "''"},     {"grp", "TEXT", "''"},
    {"sex", "TEXT", "''"},     {"born", "TEXT", "''"},     {"note", "TEXT", "''"},     {"strain", "TEXT", "''"},
    {"genotype", "TEXT", "''"}, {"study", "TEXT", "''"}, {"ear_mark", "TEXT", "''"},
};
constexpr char kAnimalIndex[] = "CREATE INDEX IF NOT EXISTS records_by_animal ON records (animal, id)";

constexpr char kColumns[] =
    "id, kind, utc, local, person, protocol, object, mass, grams, deviation, unit, count, trace, balance, "
    "subject, chain, hash, animal, cage, grp, sex, born, note, strain, genotype, study, ear_mark";
constexpr int kColumnCount = 27;
constexpr int kAnimalFieldsColumn = 17;
constexpr int kStoredAsWrittenColumn = kColumnCount;  // after kColumns, in verify's query

// Whether a record's values are stored as the journal writes them, texts as text and whole
// numbers as integers: the hash covers the values alone, and a text stored as a blob would
// pass it yet drop out of every query that compares the column.
std::string storedAsWritten() {
  std::string check = "(typeof(grams) IN ('real', 'null')";
  for (const char* text : {"kind", "utc", "local", "person", "protocol", "object", "mass", "deviation", "unit",
                           "trace", "balance", "hash", "animal", "cage", "grp", "sex", "born", "note", "strain",
                           "genotype", "study", "ear_mark"})
    check += std::string(" AND typeof(") + text + ") = 'text'";
  for (const char* number : {"count", "subject", "chain"})
    check += std::string(" AND typeof(") + number + ") = 'integer'";
  return check + ")";
}

// The animal's fields and the colony's in the order of their columns.
std::array<std::string*, 10> animalFields(JournalRecord& record) {
  return {&record.animal, &record.cage,   &record.group,    &record.sex,   &record.born,
          &record.note,   &record.strain, &record.genotype, &record.study, &record.earMark};
}

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
  record.chain = static_cast<int>(row.integer(15));
  record.hash = row.text(16);
  int column = kAnimalFieldsColumn;
  for (std::string* text : animalFields(record)) *text = row.text(column++);
  return record;
}

Head lastRecord(sqlite3* db) {
  Statement last(db, "SELECT id, hash FROM records ORDER BY id DESC LIMIT 1");
  return last.next() ? Head{last.integer(0), last.text(1)} : Head{};
}

// The results that removals name.
std::set<std::int64_t> removedResults(sqlite3* db) {
  std::set<std::int64_t> removed;
  Statement removals(db, "SELECT subject FROM records WHERE kind = ?");
  removals.bind(1, std::string(kRemoval));
  while (removals.next()) removed.insert(removals.integer(0));
  return removed;
}

// The reference weights of the animals on the list, by number: the newest entry's id and
// weight, for those whose entry gives one and who have not left the list.
std::map<std::string, std::pair<std::int64_t, double>> listedReferences(sqlite3* db) {
  std::map<std::string, std::pair<std::int64_t, double>> references;
  Statement entries(db, "SELECT id, kind, animal, grams FROM records WHERE kind IN (?, ?) ORDER BY id");
  entries.bind(1, std::string(kAnimal));
  entries.bind(2, std::string(kAnimalGone));
  while (entries.next()) {
    const std::optional<double> grams = entries.real(3);
    if (entries.text(1) == kAnimal && grams) {
      references[entries.text(2)] = {entries.integer(0), *grams};
    } else {
      references.erase(entries.text(2));
    }
  }
  return references;
}

// The name the grid calls each renamed result by now: its newest rename's.
std::map<std::int64_t, std::string> renamedResults(sqlite3* db) {
  std::map<std::int64_t, std::string> renamed;
  Statement renames(db, "SELECT subject, object FROM records WHERE kind = ? ORDER BY id");
  renames.bind(1, std::string(kRename));
  while (renames.next()) renamed[renames.integer(0)] = renames.text(1);
  return renamed;
}

std::string currentName(const std::map<std::int64_t, std::string>& renamed, std::int64_t id, std::string name) {
  const auto newer = renamed.find(id);
  return newer == renamed.end() ? name : newer->second;
}

// The records of the filter's animal, or of results without a number that had or have
// the filter's name: the condition, and its values bound from `index` on.
std::string objectCondition(const RecordFilter& filter) {
  if (filter.animal) return " AND animal = :animal";
  if (filter.object)
    return " AND animal = '' AND (object = :object OR id IN (SELECT subject FROM records WHERE kind = 'rename' "
           "AND object = :object))";
  return {};
}

// Binds what objectCondition asks for; the index after them.
int bindObject(Statement& statement, int index, const RecordFilter& filter) {
  if (filter.animal) {
    statement.bind(index++, *filter.animal);
  } else if (filter.object) {
    statement.bind(index++, *filter.object);
  }
  return index;
}

// Whether the journal's own table has the column, whatever view a reader made over it.
bool hasColumn(sqlite3* db, const char* name) {
  Statement present(db, std::string("SELECT 1 FROM pragma_table_info('records', 'main') WHERE name = '") + name + "'");
  return present.next();
}

// Adds the columns the journal's table lacks; false when one cannot be added.
bool addMissingColumns(sqlite3* db) {
  for (const AddedColumn& column : kAddedColumns) {
    if (hasColumn(db, column.name)) continue;
    const std::string add = std::string("ALTER TABLE records ADD COLUMN ") + column.name + " " + column.type +
                            " NOT NULL DEFAULT " + column.value;
    if (sqlite3_exec(db, add.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  }
  return sqlite3_exec(db, kAnimalIndex, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A reader cannot add the columns a journal written before them lacks: it reads the table
// through a view of its own that gives them the values the records hold; false when it
// cannot be made.
bool viewMissingColumns(sqlite3* db) {
  std::string view = "CREATE TEMP VIEW records AS SELECT *";
  for (const AddedColumn& column : kAddedColumns) {
    if (!hasColumn(db, column.name)) view += std::string(", ") + column.value + " AS " + column.name;
  }
  if (view.ends_with("*")) return true;
  return sqlite3_exec(db, (view + " FROM main.records").c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Whether the database holds a weighing journal: the records table with its hash.
bool holdsJournal(sqlite3* db) {
  Statement table(db, "SELECT 1 FROM pragma_table_info('records') WHERE name IN ('kind', 'subject', 'hash')");
  int columns = 0;
  while (table.next()) ++columns;
  return columns == 3;
}

// A read-only connection. Without a write-ahead log beside it no program has the journal
// open, and unless the connection is to follow later writes it is read as it stands, so
// that nothing is made beside it: a reader who may not write the folder can read it too.
sqlite3* openReadOnly(const std::filesystem::path& path, bool follow) {
  std::error_code ignored;
  const bool logBeside =
      follow || std::filesystem::exists(path.native() + std::filesystem::path("-wal").native(), ignored);
  std::string uri = "file:";
  for (const unsigned char c : link::utf8Text(path)) {
    // The characters a URI's path cannot hold as they are; a backslash, a separator on
    // Windows and a letter elsewhere, comes back as itself.
    if (c == '?' || c == '#' || c == '%' || c == '\\' || c < 0x20) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0xF];
    } else {
      uri += static_cast<char>(c);
    }
  }
  uri += logBeside ? "?mode=ro" : "?mode=ro&immutable=1";
  sqlite3* db = nullptr;
  sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
  return db;
}

// Inserts `record` after the record `last` with the statement `insert`, giving it its id
// and hash; throws ReadError when it is refused.
void insertRecord(Statement& insert, JournalRecord& record, const Head& last) {
  makeKeepable(record);
  record.id = last.record + 1;
  record.chain = kChainForm;
  record.hash = chainHash(last.hash, record);
  insert.reset();
  int index = 0;
  insert.bind(++index, record.id);
  for (const std::string* text : {&record.kind, &record.utc, &record.local, &record.person, &record.protocol,
                                  &record.object, &record.mass}) {
    insert.bind(++index, *text);
  }
  insert.bind(++index, record.grams);
  insert.bind(++index, record.deviation);
  insert.bind(++index, record.unit);
  insert.bind(++index, std::int64_t{record.count});
  insert.bind(++index, record.trace);
  insert.bind(++index, record.balance);
  insert.bind(++index, record.subject);
  insert.bind(++index, std::int64_t{record.chain});
  insert.bind(++index, record.hash);
  for (const std::string* text : animalFields(record)) insert.bind(++index, *text);
  insert.next();
}

}  // namespace



std::unique_ptr<Journal> Journal::open(const std::filesystem::path& path, link::Failure& error) {
  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  sqlite3* db = nullptr;
  const int opened =
      sqlite3_open_v2(link::utf8Text(path).c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (opened != SQLITE_OK) {
    error = db != nullptr ? sqliteFailure(db) : link::Failure{opened, "out of memory"};
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyWaitMs);
  std::optional<link::Failure> refused;
  try {
    if (sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK ||
        !addMissingColumns(db) ||
        sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr) != SQLITE_OK) {
      refused = sqliteFailure(db);
    }
  } catch (const ReadError& failure) {
    refused = failure.failure();
  }
  if (refused) {
    error = *refused;
    sqlite3_close(db);
    return nullptr;
  }
  return std::unique_ptr<Journal>(new Journal(db, path));
}

std::unique_ptr<Journal> Journal::openForReading(const std::filesystem::path& path, OpenError& error,
                                                 bool follow) {
  std::error_code missing;
  if (!std::filesystem::is_regular_file(path, missing)) {
    error = {link::failureOf(missing ? missing : std::make_error_code(std::errc::no_such_file_or_directory)), false};
    return nullptr;
  }
  sqlite3* db = openReadOnly(path, follow);
  if (db == nullptr) {
    error = {{SQLITE_NOMEM, "out of memory"}, false};
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyWaitMs);
  try {
    if (!holdsJournal(db)) {
      error = {{.message = "не журнал взвешиваний"}, true};
    } else if (viewMissingColumns(db)) {
      return std::unique_ptr<Journal>(new Journal(db, path));
    } else {
      error = {sqliteFailure(db), false};
    }
  } catch (const ReadError& failure) {
    // A file that is no database at all is no journal either.
    error = {failure.failure(), sqlite3_errcode(db) == SQLITE_NOTADB};
  }
  sqlite3_close(db);
  return nullptr;
}

Journal::~Journal() { sqlite3_close(db_); }

std::optional<link::Failure> Journal::append(JournalRecord& record) {
  std::vector<JournalRecord> one{std::move(record)};
  std::optional<AppendFailure> failure = appendAll(one);
  record = std::move(one.front());
  if (failure) return *failure;
  return std::nullopt;
}

std::optional<Journal::AppendFailure> Journal::appendAll(std::vector<JournalRecord>& records,
                                                         const AppendProgress& progress) {
  // The last record is read in the same transaction, so two programs appending at once
  // still make one chain; the id is given here because it is hashed.
  if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
    return AppendFailure{sqliteFailure(db_)};
  std::optional<AppendFailure> failure;
  try {
    Head last = lastRecord(db_);
    std::string values = "?";
    for (int column = 1; column < kColumnCount; ++column) values += ", ?";
    Statement insert(db_, std::string("INSERT INTO records (") + kColumns + ") VALUES (" + values + ")");
    for (size_t done = 0; done < records.size() && !failure; ++done) {
      if (progress && !progress(done)) {
        failure = AppendFailure{{.message = "отменено"}, true};
        break;
      }
      insertRecord(insert, records[done], last);
      last = {records[done].id, records[done].hash};
    }
    if (!failure && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
      failure = AppendFailure{sqliteFailure(db_)};
  } catch (const ReadError& error) {
    failure = AppendFailure{error.failure()};
  }
  if (failure) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return failure;
  }
  keepHead();
  return std::nullopt;
}

void Journal::keepHead() const {
  // Appenders in one process finish in any order; the journal's own last record, read
  // under one lock, never takes the kept head back. A head that cannot be kept shows as
  // an older head at the next check.
  static std::mutex keeping;
  const std::lock_guard<std::mutex> kept(keeping);
  try {
    storeHead(path_, lastRecord(db_));
  } catch (const ReadError&) {
  }
}

std::vector<JournalRecord> Journal::records(const RecordFilter& filter) const {
  std::vector<JournalRecord> records;
  forEachRecord(filter, [&records](const JournalRecord& record) { records.push_back(record); });
  return records;
}

void Journal::forEachRecord(const RecordFilter& filter, const std::function<void(const JournalRecord&)>& take) const {
  std::string sql = std::string("SELECT ") + kColumns + " FROM records WHERE 1" + objectCondition(filter);
  // Whole local times against the dates, as the index by kind and time holds them: a date
  // sorts before its day's times, and they before the date followed by "~".
  if (filter.fromDate) sql += " AND local >= :from";
  if (filter.toDate) sql += " AND local < :to || '~'";
  if (!filter.kinds.empty()) {
    sql += " AND kind IN (?";
    for (size_t i = 1; i < filter.kinds.size(); ++i) sql += ", ?";
    sql += ")";
  }
  sql += " ORDER BY id";
  Statement select(db_, sql);
  int index = bindObject(select, 1, filter);
  for (const auto* value : {&filter.fromDate, &filter.toDate}) {
    if (*value) select.bind(index++, **value);
  }
  for (const std::string& kind : filter.kinds) select.bind(index++, kind);
  while (select.next()) take(recordAt(select));
}

std::vector<JournalRecord> Journal::recordsAfter(std::int64_t id, int count) const {
  Statement select(db_, std::string("SELECT ") + kColumns + " FROM records WHERE id > ? ORDER BY id LIMIT ?");
  select.bind(1, id);
  select.bind(2, std::int64_t{count});
  std::vector<JournalRecord> records;
  while (select.next()) records.push_back(recordAt(select));
  return records;
}

std::vector<JournalRecord> Journal::standingResults(const RecordFilter& filter) const {
  std::vector<JournalRecord> results;
  forEachStandingResult(filter, [&results](const JournalRecord& result) { results.push_back(result); });
  return results;
}

void Journal::forEachStandingResult(const RecordFilter& filter,
                                    const std::function<void(const JournalRecord&)>& take) const {
  const std::set<std::int64_t> removed = removedResults(db_);
  const std::map<std::int64_t, std::string> renamed = renamedResults(db_);
  std::optional<BatchMeans> batches;  // read when a result of their form comes
  forEachRecord(filter, [&](const JournalRecord& record) {
    if (record.kind != kResult || removed.contains(record.id)) return;
    const auto newer = renamed.find(record.id);
    if (newer != renamed.end() && filter.object && newer->second != *filter.object) return;
    if (newer == renamed.end() && record.chain < kBatchChainForm) return take(record);
    JournalRecord current = record;
    if (newer != renamed.end()) current.object = newer->second;
    if (record.chain >= kBatchChainForm && !batches) batches.emplace(db_, removed);
    if (batches) current.deviation = batches->deviationOf(record).value_or(record.deviation);
    take(current);
  });
}

Head Journal::head() const { return lastRecord(db_); }

RecordFilter filterOf(const ObjectSummary& summary) {
  RecordFilter filter;
  (summary.byName ? filter.object : filter.animal) = summary.object;
  return filter;
}

RecordFilter filterOf(const JournalRecord& result) {
  RecordFilter filter;
  if (result.animal.empty()) {
    filter.object = result.object;
  } else {
    filter.animal = result.animal;
  }
  return filter;
}

std::optional<double> lastShareOfReference(const ObjectSummary& summary) {
  if (!summary.lastGrams || !summary.referenceGrams || *summary.referenceGrams <= 0) return std::nullopt;
  return *summary.lastGrams / *summary.referenceGrams * 100.0;
}

std::vector<ObjectSummary> Journal::objects(const RecordFilter& only) const {
  const std::set<std::int64_t> removed = removedResults(db_);
  const std::map<std::int64_t, std::string> renamed = renamedResults(db_);
  std::map<std::pair<bool, std::string>, ObjectSummary> summaries;  // by name or not, object
  std::map<std::int64_t, std::pair<ObjectSummary*, std::optional<double>>> standing;  // id: object, grams
  std::set<const ObjectSummary*> chosen;  // their reference taken with "Принять за исходный"
  RecordFilter filter{only.object, {}, {}, only.animal};
  // Nearly every record is of these kinds: read in id order, not through the index by kind.
  Statement select(db_, "SELECT id, kind, object, grams, local, subject, animal, cage, grp, strain, genotype, study, "
                        "ear_mark FROM records "
                        "WHERE +kind IN (?, ?)" +
                            objectCondition(filter) + " ORDER BY id");
  select.bind(1, std::string(kResult));
  select.bind(2, std::string(kReference));
  bindObject(select, 3, filter);
  while (select.next()) {
    const std::int64_t id = select.integer(0);
    const std::string animal = select.text(6);
    const bool byName = animal.empty();
    if (select.text(1) == kReference) {
      // Taken as the reference: a standing result of the same object.
      const auto taken = standing.find(select.integer(5));
      if (taken == standing.end()) continue;
      ObjectSummary& summary = *taken->second.first;
      if (summary.byName != byName || summary.object != (byName ? select.text(2) : animal)) continue;
      summary.referenceId = taken->first;
      summary.referenceGrams = taken->second.second;
      chosen.insert(&summary);
      continue;
    }
    if (removed.contains(id)) continue;
    const std::string object = byName ? currentName(renamed, id, select.text(2)) : animal;
    if (byName && only.object && object != *only.object) continue;
    ObjectSummary& summary = summaries[{byName, object}];
    summary.object = object;
    summary.byName = byName;
    ++summary.weighings;
    summary.lastId = id;
    summary.lastGrams = select.real(3);
    summary.lastLocal = select.text(4);
    summary.cage = select.text(7);
    summary.group = select.text(8);
    summary.strain = select.text(9);
    summary.genotype = select.text(10);
    summary.study = select.text(11);
    summary.earMark = select.text(12);
    if (summary.referenceId == 0) {
      summary.referenceId = id;
      summary.referenceGrams = summary.lastGrams;
    }
    standing[id] = {&summary, summary.lastGrams};
  }
  // An animal's reference is the list's weight unless one was taken.
  const std::map<std::string, std::pair<std::int64_t, double>> listed = listedReferences(db_);
  std::vector<ObjectSummary> objects;
  objects.reserve(summaries.size());
  for (auto& [key, summary] : summaries) {
    const auto fromList = summary.byName || chosen.contains(&summary) ? listed.end() : listed.find(summary.object);
    if (fromList != listed.end()) std::tie(summary.referenceId, summary.referenceGrams) = fromList->second;
    objects.push_back(std::move(summary));
  }
  return objects;
}

std::optional<std::int64_t> Journal::idOf(const JournalRecord& record) const {
  Statement same(db_, "SELECT id FROM records WHERE kind = ? AND utc = ? AND local = ? AND object = ? AND mass = ? "
                      "AND trace = ? LIMIT 1");
  int index = 0;
  for (const std::string* text : {&record.kind, &record.utc, &record.local, &record.object, &record.mass, &record.trace})
    same.bind(++index, *text);
  return same.next() ? std::optional(same.integer(0)) : std::nullopt;
}

Verification Journal::verify(const std::vector<Head>& anchors, const VerifyProgress& progress) const {
  Verification result;
  std::int64_t total = 0;
  if (progress) {
    Statement count(db_, "SELECT count(*) FROM records");
    if (count.next()) total = count.integer(0);
  }
  std::set<size_t> found;  // the anchors met
  Statement select(db_, std::string("SELECT ") + kColumns + ", " + storedAsWritten() + " FROM records ORDER BY id");
  int newestForm = kFirstChainForm;
  while (select.next()) {
    const JournalRecord record = recordAt(select);
    ++result.records;
    // A field once hashed stays hashed: a record of an older form after one of a newer is
    // a rewrite that dropped it.
    const bool backwards = record.chain < newestForm;
    newestForm = std::max(newestForm, record.chain);
    const bool retyped = select.integer(kStoredAsWrittenColumn) == 0;
    if (!result.firstBroken && (backwards || retyped || chainHash(result.head.hash, record) != record.hash))
      result.firstBroken = record.id;
    result.head = {record.id, record.hash};
    for (size_t i = 0; i < anchors.size(); ++i) {
      if (matchesAnchor(anchors[i], record.id, record.hash)) found.insert(i);
    }
    if (progress && result.records % kProgressEveryRecords == 0 && !progress(result.records, total)) return result;
  }
  for (size_t i = 0; i < anchors.size() && !result.lostAnchor; ++i) {
    if (!found.contains(i)) result.lostAnchor = anchors[i];
  }
  return result;
}

}  // namespace tarvelo::journal
