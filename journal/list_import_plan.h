#pragma once

#include <string>
#include <vector>

#include "journal/animal_list_import.h"

namespace tarvelo::journal {

// A field an import changes: its name, and its text before and after.
struct FieldChange {
  std::string field;  // "клетка"
  std::string before;
  std::string after;

  bool operator==(const FieldChange&) const = default;
};

// An animal an import adds or changes, as it will stand, with its line in the file.
struct PlannedAnimal {
  int line = 0;
  Animal animal;
  bool added = false;
  std::vector<FieldChange> changes;  // of a changed one
};

// What importing a list does to the list the journal holds: the animals it adds and
// changes, in the file's order, and how many it leaves as they are.
struct ImportPlan {
  std::vector<PlannedAnimal> animals;
  size_t added = 0;
  size_t changed = 0;
  size_t unchanged = 0;
};

// What `imported` does to `held`. A field whose column the file lacks keeps the value
// held; so does one whose cell is empty, unless `clearEmpty`.
ImportPlan planImport(const ImportedList& imported, const std::vector<Animal>& held, bool clearEmpty);

// A reference weight as the list shows it, "22,50".
std::string gramsText(const std::optional<double>& grams);

}  // namespace tarvelo::journal
