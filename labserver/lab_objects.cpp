#include "labserver/lab_objects.h"

#include <algorithm>

#include "labserver/lab_history.h"
#include "labserver/lab_records.h"

namespace tarvelo::labserver {

namespace {

// The objects as the server sums them up while records arrive, each with the reference
// last taken anywhere or its list entry's weight.
constexpr char kObjects[] = R"(
WITH taken AS (
  SELECT DISTINCT ON (home, object) home, object, grams, id FROM (
    SELECT lab_result_home(s) AS home, lab_result_object(s) AS object, s.grams, s.id, t.utc, t.station, t.id AS taken_id
    FROM lab_records t JOIN lab_records s ON s.station = t.station AND s.id = t.subject
    WHERE t.kind = 'reference' AND t.subject <> 0 AND lab_result_stands(s)
      AND CASE WHEN s.animal = '' THEN t.animal = '' AND t.object = lab_result_object(s) ELSE t.animal = s.animal END
  ) AS references_taken
  ORDER BY home, object, utc DESC, station DESC, taken_id DESC
),
listed AS (
  SELECT DISTINCT ON (animal) animal, kind, id, grams FROM lab_records
  WHERE kind IN ('animal', 'animal-gone') AND subject = 0 ORDER BY animal, arrived DESC
)
SELECT o.object, o.home <> '', o.home, o.weighings, o.last_grams, o.last_local, o.cage, o.grp, o.last_id,
  CASE WHEN t.id IS NOT NULL THEN t.id WHEN l.grams IS NOT NULL THEN l.id ELSE o.first_id END,
  CASE WHEN t.id IS NOT NULL THEN t.grams WHEN l.grams IS NOT NULL THEN l.grams ELSE o.first_grams END,
  w.strain, w.genotype, w.study, w.ear_mark
FROM lab_objects o
LEFT JOIN lab_records w ON w.station = o.last_station AND w.id = o.last_id
LEFT JOIN taken t ON t.home = o.home AND t.object = o.object
LEFT JOIN listed l ON o.home = '' AND l.animal = o.object AND l.kind = 'animal' AND l.grams IS NOT NULL
WHERE o.weighings > 0
ORDER BY o.home <> '', o.object, o.home)";

}  // namespace

std::optional<LabFailure> labObjects(LabConnection& connection, std::vector<journal::ObjectSummary>& objects) {
  LabRows rows;
  if (auto failure = connection.run(kObjects, {}, &rows)) return failure;
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
    // The colony's fields of the last weighing, read from it.
    int column = 11;
    for (std::string* text : {&object.strain, &object.genotype, &object.study, &object.earMark}) *text = row[column++];
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
