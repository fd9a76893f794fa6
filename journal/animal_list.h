#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal.h"

namespace tarvelo::journal {

// An animal of the list of animals to weigh.
struct Animal {
  std::string number;  // typed, scanned from its cage card, or its RFID tag's 15 digits
  std::string cage;
  std::string group;
  std::string sex;
  std::string born;  // the date of birth, "2026-10-01"
  std::optional<double> referenceGrams;
  // What a colony keeps beside: the line, the genotype, the study or protocol number and
  // the ear mark.
  std::string strain{};
  std::string genotype{};
  std::string study{};
  std::string earMark{};

  bool operator==(const Animal&) const = default;
};

// The longest animal number, in characters: a tag's 15 digits or a card's code, with room.
inline constexpr size_t kAnimalNumberLimit = 32;

// Why `number` cannot name an animal in the journal and on the lab's server: longer than
// kAnimalNumberLimit characters, a control character, bytes that are not UTF-8; none when
// it can.
std::optional<std::string> animalNumberRefusal(std::string_view number);
// The same for a whole animal: its number, and its other fields' characters.
std::optional<std::string> animalRefusal(const Animal& animal);

// The list as the journal holds it: each number's newest animal record that no gone
// record of the number followed, in the order the numbers were first entered. The records
// are made by session::animalRecord and session::animalGoneRecord.
std::vector<Animal> animalList(const Journal& journal);

// The numbers of the animals with a standing result of local date `date` ("2026-12-07").
std::set<std::string> weighedOn(const Journal& journal, const std::string& date);

}  // namespace tarvelo::journal
