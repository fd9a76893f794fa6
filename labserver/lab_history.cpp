#include "labserver/lab_history.h"

#include "labserver/lab_records.h"

namespace tarvelo::labserver {

namespace {

constexpr int kReadBatch = 5000;

// The filter's conditions after the key's ($1, $2) and the batch's size ($3).
std::string conditions(const LabFilter& filter, std::vector<std::optional<std::string>>& parameters) {
  std::string sql;
  const auto add = [&](const std::optional<std::string>& value, const std::string& condition) {
    if (!value) return;
    parameters.push_back(*value);
    sql += " AND " + condition + " $" + std::to_string(parameters.size());
  };
  add(filter.station, "r.station =");
  add(filter.animal, "r.animal =");
  // Bytewise, whatever the database's collation: a date sorts before its day's times.
  add(filter.fromDate, "r.local COLLATE \"C\" >=");
  if (filter.toDate) {
    parameters.push_back(*filter.toDate + "~");
    sql += " AND r.local COLLATE \"C\" < $" + std::to_string(parameters.size());
  }
  return sql;
}

std::optional<LabFailure> forEachResult(LabConnection& connection, const LabFilter& filter,
                                        const journal::ResultVisitor& take) {
  std::vector<std::optional<std::string>> parameters{std::string(), "0", std::to_string(kReadBatch)};
  const std::string sql =
      "SELECT r.station, " + recordColumns("r") +
      ", (SELECT n.object FROM lab_records n WHERE n.station = r.station AND n.kind = 'rename' AND n.subject = r.id AND n.subject <> 0 "
      "ORDER BY n.id DESC LIMIT 1) FROM lab_records r WHERE r.kind = 'result' AND (r.station, r.id) > ($1, $2::bigint)" +
      conditions(filter, parameters) +
      " AND NOT EXISTS (SELECT 1 FROM lab_records x WHERE x.station = r.station AND x.kind = 'removal' "
      "AND x.subject = r.id AND x.subject <> 0) ORDER BY r.station, r.id LIMIT $3::bigint";
  LabRows rows;
  do {
    if (auto failure = connection.run(sql, parameters, &rows)) return failure;
    for (const auto& row : rows) {
      journal::JournalRecord result = recordOf(row, 1);
      if (!row.back().empty()) result.object = row.back();
      take(result, row[0]);
      parameters[0] = row[0];
      parameters[1] = std::to_string(result.id);
    }
  } while (rows.size() == static_cast<size_t>(kReadBatch));
  return std::nullopt;
}

}  // namespace

journal::ExportSource labSource(LabConnection& connection, const LabFilter& filter) {
  return {[&connection, filter](const journal::ResultVisitor& take) -> std::optional<link::Failure> {
            if (auto failure = forEachResult(connection, filter, take)) return link::Failure{0, failure->text};
            return std::nullopt;
          },
          {},
          true};
}

}  // namespace tarvelo::labserver
