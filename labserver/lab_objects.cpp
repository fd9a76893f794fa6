#include "labserver/lab_objects.h"

#include <algorithm>

#include "labserver/lab_history.h"
#include "labserver/lab_records.h"

namespace tarvelo::labserver {

namespace {

// Standing results (no removal names them) under their object: an animal's number with no
// station, or the newest name of a result without one with its station.
constexpr char kStanding[] = R"(
standing AS (
  SELECT r.station, r.id, r.utc, r.local, r.grams, r.cage, r.grp, r.animal = '' AS by_name,
    CASE WHEN r.animal = '' THEN r.station ELSE '' END AS home,
    CASE WHEN r.animal <> '' THEN r.animal
      ELSE COALESCE((SELECT n.object FROM lab_records n WHERE n.station = r.station AND n.kind = 'rename'
        AND n.subject = r.id AND n.subject <> 0 ORDER BY n.id DESC LIMIT 1), r.object) END AS object
  FROM lab_records r
  WHERE r.kind = 'result' AND NOT EXISTS (SELECT 1 FROM lab_records x WHERE x.station = r.station
    AND x.kind = 'removal' AND x.subject = r.id AND x.subject <> 0)
))";

constexpr char kSummaries[] = R"(
summary AS (
  SELECT home, object, bool_and(by_name) AS by_name, count(*) AS weighings,
    (array_agg(grams ORDER BY utc DESC, station DESC, id DESC))[1] AS last_grams,
    (array_agg(local ORDER BY utc DESC, station DESC, id DESC))[1] AS last_local,
    (array_agg(cage ORDER BY utc DESC, station DESC, id DESC))[1] AS cage,
    (array_agg(grp ORDER BY utc DESC, station DESC, id DESC))[1] AS grp,
    (array_agg(id ORDER BY utc DESC, station DESC, id DESC))[1] AS last_id,
    (array_agg(grams ORDER BY utc, station, id))[1] AS first_grams,
    (array_agg(id ORDER BY utc, station, id))[1] AS first_id
  FROM standing GROUP BY home, object
),
taken AS (
  SELECT DISTINCT ON (s.home, s.object) s.home, s.object, s.grams, s.id
  FROM lab_records t JOIN standing s ON s.station = t.station AND s.id = t.subject
  WHERE t.kind = 'reference' AND t.subject <> 0
    AND CASE WHEN s.by_name THEN t.animal = '' AND t.object = s.object ELSE t.animal = s.object END
  ORDER BY s.home, s.object, t.utc DESC, t.station DESC, t.id DESC
),
listed AS (
  SELECT DISTINCT ON (animal) animal, kind, id, grams FROM lab_records
  WHERE kind IN ('animal', 'animal-gone') ORDER BY animal, arrived DESC
))";

constexpr char kSelect[] = R"(
SELECT s.object, s.by_name, s.home, s.weighings, s.last_grams, s.last_local, s.cage, s.grp, s.last_id,
  CASE WHEN t.id IS NOT NULL THEN t.id WHEN l.grams IS NOT NULL THEN l.id ELSE s.first_id END,
  CASE WHEN t.id IS NOT NULL THEN t.grams WHEN l.grams IS NOT NULL THEN l.grams ELSE s.first_grams END
FROM summary s
LEFT JOIN taken t ON t.home = s.home AND t.object = s.object
LEFT JOIN listed l ON NOT s.by_name AND l.animal = s.object AND l.kind = 'animal' AND l.grams IS NOT NULL
ORDER BY s.by_name, s.object, s.home)";

}  // namespace

std::optional<LabFailure> labObjects(LabConnection& connection, std::vector<journal::ObjectSummary>& objects) {
  LabRows rows;
  const std::string sql = std::string("WITH") + kStanding + "," + kSummaries + kSelect;
  if (auto failure = connection.run(sql, {}, &rows)) return failure;
  objects.clear();
  objects.reserve(rows.size());
  for (const auto& row : rows) {
    journal::ObjectSummary& object = objects.emplace_back();
    object.object = row[0];
    object.byName = row[1] == "t";
    object.station = row[2];
    object.weighings = static_cast<int>(integerOf(row[3]));
    object.lastGrams = gramsOf(row[4]);
    object.lastLocal = row[5];
    object.cage = row[6];
    object.group = row[7];
    object.lastId = integerOf(row[8]);
    object.referenceId = integerOf(row[9]);
    object.referenceGrams = gramsOf(row[10]);
  }
  return std::nullopt;
}

std::optional<LabFailure> labObjectResults(LabConnection& connection, const journal::ObjectSummary& object,
                                           std::vector<journal::JournalRecord>& results) {
  results.clear();
  LabFilter filter;
  filter.animal = object.byName ? std::string() : object.object;
  if (object.byName) filter.station = object.station;
  const auto read = labSource(connection, filter).forEachResult([&](const journal::JournalRecord& result, const std::string&) {
    if (!object.byName || result.object == object.object) results.push_back(result);
  });
  if (read) return LabFailure{LabProblem::Unreachable, read->message};
  std::stable_sort(results.begin(), results.end(),
                   [](const journal::JournalRecord& a, const journal::JournalRecord& b) { return a.utc < b.utc; });
  return std::nullopt;
}

}  // namespace tarvelo::labserver
