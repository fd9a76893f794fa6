#include "labserver/lab_records.h"

#include <array>
#include <charconv>

namespace tarvelo::labserver {

namespace {

const std::string kInsert =
    std::string("INSERT INTO lab_records (") + kSentColumns +
    ") VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, "
    "$18, $19, $20, $21, $22, $23, $24, $25, $26, $27, $28, $29)";
constexpr const char* kRecordColumns[] = {
    "id",    "hash",   "kind",      "utc",  "local", "person", "protocol", "object",
    "mass",  "grams",  "deviation", "unit", "count", "trace",  "balance",  "subject",
    "chain", "animal", "cage",      "grp",  "sex",   "born",   "note",     "strain",
    "genotype", "study", "ear_mark"};

// The animals a batch sums up, its results' and those its removals name, locked in one
// order by every station: two stations catching up on the same animals wait, never deadlock.
constexpr int kAnimalLocks = 7473;  // the first key of the lab's advisory locks on animals
const std::string kLockAnimals =
    "SELECT pg_advisory_xact_lock(" + std::to_string(kAnimalLocks) +
    ", k) FROM (SELECT DISTINCT hashtext(a) AS k FROM ("
    "SELECT unnest($1::text[]) AS a UNION ALL SELECT r.animal FROM lab_records r "
    "WHERE r.station = $2 AND r.id = ANY($3::bigint[])) named WHERE a <> '' ORDER BY k) sorted";

// `texts` as a PostgreSQL array literal.
std::string arrayText(const std::vector<std::string>& texts) {
  std::string array = "{";
  for (const std::string& text : texts) {
    array += array.size() > 1 ? ",\"" : "\"";
    for (const char c : text)
      array += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
    array += '"';
  }
  return array + "}";
}

std::optional<LabFailure> lockAnimals(LabConnection& connection, const std::string& station,
                                      const std::vector<journal::JournalRecord>& records) {
  std::vector<std::string> animals;
  std::vector<std::string> removed;
  for (const journal::JournalRecord& record : records) {
    if (record.kind == "result") animals.push_back(record.animal);
    if (record.kind == "removal") removed.push_back(std::to_string(record.subject));
  }
  return connection.run(kLockAnimals, {arrayText(animals), station, arrayText(removed)});
}

// Grams exactly as the station holds them: the shortest text that reads back the same.
std::optional<std::string> gramsText(const std::optional<double>& grams) {
  if (!grams) return std::nullopt;
  std::array<char, 32> buffer{};
  return std::string(buffer.data(),
                     std::to_chars(buffer.data(), buffer.data() + buffer.size(), *grams).ptr);
}

}  // namespace

std::vector<std::optional<std::string>> sentValues(const std::string& station,
                                                   const std::string& previous,
                                                   const journal::JournalRecord& r) {
  return {station,
          std::to_string(r.id),
          previous,
          r.hash,
          r.kind,
          r.utc,
          r.local,
          r.person,
          r.protocol,
          r.object,
          r.mass,
          gramsText(r.grams),
          r.deviation,
          r.unit,
          std::to_string(r.count),
          r.trace,
          r.balance,
          std::to_string(r.subject),
          std::to_string(r.chain),
          r.animal,
          r.cage,
          r.group,
          r.sex,
          r.born,
          r.note,
          r.strain,
          r.genotype,
          r.study,
          r.earMark};
}

std::int64_t integerOf(const std::string& text) {
  std::int64_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::optional<double> gramsOf(const std::string& text) {
  if (text.empty()) return std::nullopt;
  double grams = 0;
  std::from_chars(text.data(), text.data() + text.size(), grams);
  return grams;
}

std::string recordColumns(const std::string& table) {
  std::string columns;
  for (const char* column : kRecordColumns)
    columns += (columns.empty() ? "" : ", ") + table + "." + column;
  return columns;
}

journal::JournalRecord recordOf(const std::vector<std::string>& row, size_t first) {
  journal::JournalRecord r;
  size_t at = first;
  r.id = integerOf(row[at++]);
  r.hash = row[at++];
  for (std::string* text : {&r.kind, &r.utc, &r.local, &r.person, &r.protocol, &r.object, &r.mass})
    *text = row[at++];
  r.grams = gramsOf(row[at++]);
  r.deviation = row[at++];
  r.unit = row[at++];
  r.count = static_cast<int>(integerOf(row[at++]));
  r.trace = row[at++];
  r.balance = row[at++];
  r.subject = integerOf(row[at++]);
  r.chain = static_cast<int>(integerOf(row[at++]));
  for (std::string* text :
       {&r.animal, &r.cage, &r.group, &r.sex, &r.born, &r.note, &r.strain, &r.genotype, &r.study, &r.earMark})
    *text = row[at++];
  return r;
}

std::optional<LabFailure> stationHead(LabConnection& connection, const std::string& station,
                                      journal::Head& head) {
  LabRows rows;
  if (auto failure = connection.run(
          "SELECT id, hash FROM lab_records WHERE station = $1 ORDER BY id DESC LIMIT 1", {station},
          &rows))
    return failure;
  head = rows.empty() ? journal::Head{} : journal::Head{integerOf(rows[0][0]), rows[0][1]};
  return std::nullopt;
}

std::optional<LabFailure> hashOnServer(LabConnection& connection, const std::string& station,
                                       std::int64_t id, std::string& hash) {
  LabRows rows;
  if (auto failure = connection.run("SELECT hash FROM lab_records WHERE station = $1 AND id = $2",
                                    {station, std::to_string(id)}, &rows))
    return failure;
  hash = rows.empty() ? std::string() : rows[0][0];
  return std::nullopt;
}

std::optional<LabFailure> addRecords(LabConnection& connection, const std::string& station,
                                     std::string previous,
                                     const std::vector<journal::JournalRecord>& records) {
  if (auto failure = connection.run("BEGIN")) return failure;
  if (auto failure = lockAnimals(connection, station, records)) {
    connection.run("ROLLBACK");
    return failure;
  }
  for (const journal::JournalRecord& record : records) {
    if (auto failure = connection.run(kInsert, sentValues(station, previous, record))) {
      connection.run("ROLLBACK");
      if (failure->problem == LabProblem::RecordRefused)
        return recordRefused(record.id, failure->text);
      return failure;
    }
    previous = record.hash;
  }
  return connection.run("COMMIT");
}

std::optional<LabFailure> stationRecords(LabConnection& connection, const std::string& station,
                                         std::int64_t id, int count,
                                         std::vector<journal::JournalRecord>& records) {
  LabRows rows;
  if (auto failure = connection.run(
          "SELECT " + recordColumns("lab_records") +
              " FROM lab_records WHERE station = $1 AND id > $2 ORDER BY id LIMIT $3",
          {station, std::to_string(id), std::to_string(count)}, &rows))
    return failure;
  records.clear();
  for (const auto& row : rows) records.push_back(recordOf(row));
  return std::nullopt;
}

std::optional<LabFailure> stations(LabConnection& connection, std::vector<std::string>& names) {
  LabRows rows;
  // Station by station along the primary key, not through every record.
  if (auto failure = connection.run(
          "WITH RECURSIVE next (station) AS (SELECT min(station) FROM lab_records UNION ALL "
          "SELECT (SELECT min(station) FROM lab_records WHERE station > next.station) FROM next "
          "WHERE next.station IS NOT NULL) SELECT station FROM next WHERE station IS NOT NULL",
          {}, &rows))
    return failure;
  names.clear();
  for (const auto& row : rows) names.push_back(row[0]);
  return std::nullopt;
}

}  // namespace tarvelo::labserver
