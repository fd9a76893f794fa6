#include "animal_list_checks.h"

#include <cmath>
#include <cstdlib>
#include <set>

#include "journal/list_import_plan.h"

namespace tarvelo::fuzz {

namespace {

constexpr size_t kIsoDateLength = 10;  // "2026-10-01"

bool isIsoDate(const std::string& text) {
  if (text.size() != kIsoDateLength) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 4 || i == 7;
    if (dash ? text[i] != '-' : (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

}  // namespace

void checkImportedList(const journal::ImportedList& list) {
  if (list.error && (!list.animals.empty() || !list.refused.empty())) std::abort();
  std::set<std::string> numbers;
  for (const journal::Animal& animal : list.animals) {
    if (animal.number.empty() || journal::animalRefusal(animal)) std::abort();
    if (!numbers.insert(animal.number).second) std::abort();
    if (animal.referenceGrams &&
        !(std::isfinite(*animal.referenceGrams) && *animal.referenceGrams > 0))
      std::abort();
    if (!animal.born.empty() && !isIsoDate(animal.born)) std::abort();
  }
  for (const journal::RefusedLine& line : list.refused) {
    if (line.reason.empty()) std::abort();
  }
  // Held fields come only from animals of the same number: the list's own leave it as it is.
  const journal::ImportPlan plan = journal::planImport(list, list.animals, false);
  if (!plan.animals.empty() || plan.unchanged != list.animals.size()) std::abort();
}

}  // namespace tarvelo::fuzz
