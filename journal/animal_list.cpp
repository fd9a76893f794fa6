#include "journal/animal_list.h"

#include <map>

namespace tarvelo::journal {

namespace {

Animal animalOf(const JournalRecord& record) {
  return {record.animal, record.cage, record.group, record.sex, record.born, record.grams};
}

}  // namespace

std::vector<Animal> animalList(const Journal& journal) {
  std::vector<std::optional<Animal>> entries;  // in the order first entered; none once gone
  std::map<std::string, size_t> places;
  RecordFilter listRecords;
  listRecords.kinds = {kAnimal, kAnimalGone};
  journal.forEachRecord(listRecords, [&](const JournalRecord& record) {
    const auto [place, first] = places.emplace(record.animal, entries.size());
    if (first) entries.emplace_back();
    if (record.kind == kAnimal) {
      entries[place->second] = animalOf(record);
    } else {
      entries[place->second].reset();
    }
  });
  std::vector<Animal> list;
  for (std::optional<Animal>& entry : entries) {
    if (entry) list.push_back(std::move(*entry));
  }
  return list;
}

std::set<std::string> weighedOn(const Journal& journal, const std::string& date) {
  std::set<std::string> numbers;
  RecordFilter day{{}, date, date, {}, {kResult}};
  journal.forEachStandingResult(day, [&numbers](const JournalRecord& result) {
    if (!result.animal.empty()) numbers.insert(result.animal);
  });
  return numbers;
}

}  // namespace tarvelo::journal
