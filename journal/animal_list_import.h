#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/animal_list.h"

namespace tarvelo::journal {

// A line of the file that gave no animal, and why, for a person to read.
struct RefusedLine {
  int line = 0;        // the file's line, or the sheet's row, from 1
  std::string reason;  // "нет номера животного"

  bool operator==(const RefusedLine&) const = default;
};

// The columns of a list file.
enum class ListField { Number, Cage, Group, Sex, Born, Weight, Strain, Genotype, Study, EarMark, Count };
inline constexpr size_t kListFields = static_cast<size_t>(ListField::Count);
using GivenFields = std::array<bool, kListFields>;

// An animal's text fields beside its number, each with its name for a person.
struct TextField {
  ListField field;
  std::string Animal::*member;
  const char* name;
};
inline constexpr TextField kTextFields[] = {
    {ListField::Cage, &Animal::cage, "клетка"},          {ListField::Group, &Animal::group, "группа"},
    {ListField::Sex, &Animal::sex, "пол"},               {ListField::Born, &Animal::born, "дата рождения"},
    {ListField::Strain, &Animal::strain, "линия"},       {ListField::Genotype, &Animal::genotype, "генотип"},
    {ListField::Study, &Animal::study, "исследование"}, {ListField::EarMark, &Animal::earMark, "метка уха"},
};

// What a list file gave: its animals in the file's order with their lines, which columns it
// has, the lines it refused, the headings it does not read and what was read (the
// encoding, or the sheet); or, when the file gave no list at all, why.
struct ImportedList {
  std::vector<Animal> animals;
  std::vector<int> lines;  // each animal's
  GivenFields given{};
  std::vector<RefusedLine> refused;
  std::vector<std::string> unread;
  std::string source;                // "UTF-8, разделитель «;»", "лист «Животные»"
  std::optional<std::string> error;  // "в файле нет столбца с номером животного"
};

// The heaviest reference weight a list may give, in grams.
inline constexpr double kMaxReferenceGrams = 100'000;
// The longest text of a field beside the number, in characters.
inline constexpr size_t kMaxFieldCharacters = 200;

// Why `number` cannot name an animal of a list: none, or more than kAnimalNumberLimit
// characters, or one that is not a letter, a digit, a space, "-", "_", "." or "/".
std::optional<std::string> listNumberRefusal(std::string_view number);

// Reads the list of animals from `file` as colony-management systems export it: the first
// sheet of an .xlsx workbook that has the number's column, or CSV (see csvRows), whichever
// the file's contents are. The heading row names the columns, in Russian or English: the
// animal's number, which is required, its cage, group, sex, date of birth, reference weight
// (in grams unless the heading gives kilograms: "Вес, кг"), line, genotype, study and ear
// mark. Dates are read as YYYY-MM-DD, DD.MM.YYYY, DD/MM/YYYY or a sheet's date number,
// weights with "," or "."; a value that is no such thing refuses its line, as does a CSV line
// with more or fewer cells than the heading.
ImportedList importAnimalList(const std::filesystem::path& file);

}  // namespace tarvelo::journal
