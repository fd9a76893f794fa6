#include "labserver/lab_animals.h"

#include "labserver/lab_records.h"

namespace tarvelo::labserver {

std::optional<LabFailure> labListVersion(LabConnection& connection, LabListVersion& version) {
  LabRows rows;
  if (auto failure = connection.run(
          "SELECT count(*), coalesce(max(arrived), 0) FROM lab_records WHERE kind IN ('animal', 'animal-gone')", {},
          &rows))
    return failure;
  version = {integerOf(rows.at(0).at(0)), integerOf(rows.at(0).at(1))};
  return std::nullopt;
}

std::optional<LabFailure> labList(LabConnection& connection, std::vector<LabListEntry>& entries) {
  LabRows rows;
  if (auto failure = connection.run(
          "SELECT DISTINCT ON (animal) animal, kind = 'animal-gone', station, cage, grp, sex, born, grams, arrived, "
          "strain, genotype, study, ear_mark "
          "FROM lab_records WHERE kind IN ('animal', 'animal-gone') AND subject = 0 ORDER BY animal, arrived DESC",
          {}, &rows))
    return failure;
  entries.clear();
  for (const auto& row : rows)
    entries.push_back({{row[0], row[3], row[4], row[5], row[6], gramsOf(row[7]), row[9], row[10], row[11], row[12]},
                       row[1] == "t", row[2], integerOf(row[8])});
  return std::nullopt;
}

}  // namespace tarvelo::labserver
