#include "journal/animal_list.h"

#include <map>

namespace tarvelo::journal {

namespace {

Animal animalOf(const JournalRecord& record) {
  return {record.animal, record.cage,  record.group,    record.sex,  record.born,
          record.grams,  record.strain, record.genotype, record.study, record.earMark};
}

// The characters of UTF-8 `text`; none when it holds a control character (C0, DEL, C1) or
// bytes that are not UTF-8.
std::optional<size_t> printableCharacters(std::string_view text) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++characters) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    char32_t code = length == 1 ? byte : byte & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool overlong = code < kLeast[length];
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    const bool control = code < 0x20 || (code >= 0x7F && code <= 0x9F);
    if (overlong || surrogate || control || code > 0x10FFFF) return std::nullopt;
    i += length;
  }
  return characters;
}

}  // namespace

std::optional<std::string> animalNumberRefusal(std::string_view number) {
  const std::optional<size_t> characters = printableCharacters(number);
  if (!characters) return std::string("в номере непечатаемый знак");
  if (*characters > kAnimalNumberLimit) {
    return "номер длиннее " + std::to_string(kAnimalNumberLimit) + " знаков (" + std::to_string(*characters) + ")";
  }
  return std::nullopt;
}

std::optional<std::string> animalRefusal(const Animal& animal) {
  if (auto refused = animalNumberRefusal(animal.number)) return refused;
  for (const auto& [field, text] :
       {std::pair{"клетка", &animal.cage}, {"группа", &animal.group}, {"пол", &animal.sex}, {"дата рождения", &animal.born},
        {"линия", &animal.strain}, {"генотип", &animal.genotype}, {"исследование", &animal.study},
        {"метка уха", &animal.earMark}}) {
    if (!printableCharacters(*text)) return std::string("непечатаемый знак в поле «") + field + "»";
  }
  return std::nullopt;
}

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
