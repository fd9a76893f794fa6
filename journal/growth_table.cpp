#include "journal/growth_table.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace tarvelo::journal {

namespace {

constexpr std::size_t kDateLength = 10;  // "2026-12-07" of "2026-12-07 12:05:07"

// By cage, then by number with shorter numbers first, so that "9" comes before "10".
bool listedBefore(const AnimalGrowth& a, const AnimalGrowth& b) {
  return std::forward_as_tuple(a.cage, a.animal.size(), a.animal) <
         std::forward_as_tuple(b.cage, b.animal.size(), b.animal);
}

}  // namespace

GrowthTable growthTable(const Journal& journal, const RecordFilter& filter) {
  std::map<std::string, AnimalGrowth> animals;
  std::set<std::string> days;
  // Results come in the order they were made: a later one of the day takes its place.
  journal.forEachStandingResult(filter, [&](const JournalRecord& result) {
    if (result.animal.empty() || !result.grams) return;
    const std::string day = result.local.substr(0, kDateLength);
    AnimalGrowth& growth = animals[result.animal];
    growth.gramsByDay[day] = *result.grams;
    growth.strain = result.strain;
    growth.genotype = result.genotype;
    growth.study = result.study;
    growth.earMark = result.earMark;
    days.insert(day);
  });
  for (const ObjectSummary& summary : journal.objects(filter)) {
    const auto found = animals.find(summary.object);
    if (summary.byName || found == animals.end()) continue;
    AnimalGrowth& growth = found->second;
    growth.cage = summary.cage;
    growth.group = summary.group;
    growth.referenceGrams = summary.referenceGrams;
  }
  GrowthTable table{{days.begin(), days.end()}, {}};
  for (auto& [number, growth] : animals) {
    growth.animal = number;
    table.animals.push_back(std::move(growth));
  }
  std::sort(table.animals.begin(), table.animals.end(), listedBefore);
  return table;
}

}  // namespace tarvelo::journal
