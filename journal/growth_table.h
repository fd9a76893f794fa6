#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal.h"

namespace tarvelo::journal {

// One animal's line of the growth table: its last mass of each day it was weighed.
struct AnimalGrowth {
  std::string animal;
  std::string cage;
  std::string group;
  std::string strain;  // the line, genotype, study and ear mark of its last weighing
  std::string genotype;
  std::string study;
  std::string earMark;
  std::optional<double> referenceGrams;
  std::map<std::string, double> gramsByDay;  // "2026-12-07": grams
};

// The animals with a number whose standing results the filter takes, by cage and then by
// number, and every day any of them was weighed, in order.
struct GrowthTable {
  std::vector<std::string> days;
  std::vector<AnimalGrowth> animals;
};

// Throws ReadError when the journal cannot be read to its end.
GrowthTable growthTable(const Journal& journal, const RecordFilter& filter);

}  // namespace tarvelo::journal
