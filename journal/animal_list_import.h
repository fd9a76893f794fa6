#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "journal/animal_list.h"

namespace tarvelo::journal {

// A line of the file that gave no animal, and why, for a person to read.
struct RefusedLine {
  int line = 0;        // the file's line, or the sheet's row, from 1
  std::string reason;  // "нет номера животного"

  bool operator==(const RefusedLine&) const = default;
};

// Which of an animal's fields beside its number a list file has a column for.
struct AnimalFields {
  bool cage = false;
  bool group = false;
  bool sex = false;
  bool born = false;
  bool reference = false;
};

// What a list file gave: its animals in the file's order, the columns it has and the lines
// it refused; or, when the file gave no list at all, why.
struct ImportedList {
  std::vector<Animal> animals;
  AnimalFields given;
  std::vector<RefusedLine> refused;
  std::optional<std::string> error;  // "в файле нет столбца с номером животного"
};

// The imported animals, each field the file has no column for kept as the list `held`
// has it for that number: a file of numbers and weights leaves the cages as they were.
std::vector<Animal> withHeldFields(const ImportedList& imported, const std::vector<Animal>& held);

// Reads the list of animals from `file` as colony-management systems export it: the first
// sheet of an .xlsx workbook, or CSV (see csvRows), whichever the file's contents are.
// The heading row names the columns, in Russian or English: the animal's number, which
// is required, and its cage, group, sex, date of birth and reference weight (in grams
// unless the heading gives kilograms: "Вес, кг"). Dates are read as YYYY-MM-DD,
// DD.MM.YYYY, DD/MM/YYYY or a sheet's date number, weights with "," or ".".
ImportedList importAnimalList(const std::filesystem::path& file);

}  // namespace tarvelo::journal
