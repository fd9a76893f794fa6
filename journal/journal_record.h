#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvelo::journal {

// The kinds of record.
inline constexpr char kResult[] = "result";
inline constexpr char kRemoval[] = "removal";
inline constexpr char kReference[] = "reference";  // "Принять за исходный"
inline constexpr char kRename[] = "rename";        // the grid calls the result by another name now
inline constexpr char kAnimal[] = "animal";        // an animal of the list, as it stands from now on
inline constexpr char kAnimalGone[] = "animal-gone";  // an animal left the list
inline constexpr char kAlert[] = "alert";  // a result weighed below a share of its reference
// An alert's level, in its note.
inline constexpr char kWarningLevel[] = "предупреждение";
inline constexpr char kLimitLevel[] = "предел";

// The forms of the hashed text: the first left the id out, the second the animal's fields,
// the third the colony's fields (line, genotype, study, ear mark); every record now has them.
inline constexpr int kFirstChainForm = 1;
inline constexpr int kIdChainForm = 2;
inline constexpr int kAnimalChainForm = 3;
inline constexpr int kColonyChainForm = 4;
inline constexpr int kChainForm = kColonyChainForm;

// One record of the journal. A result is a row of the results grid as it was made; a
// removal names the result that "Удалить измерение" took from the grid; a reference
// names the result its object's changes are counted from from now on; a rename gives a
// result the name the grid calls it by after a removal renumbered the rows. An animal
// record is an entry of the list of animals to weigh (its reference weight in `grams`). An
// alert says that the result it names was said to weigh below the warning's or the limit's
// share of its reference: its level in `note`, the share in per cent in `deviation`, the
// result's animal, object and mass as the result has them.
struct JournalRecord {
  std::int64_t id = 0;  // given by the journal, from 1
  std::string kind = kResult;
  std::string utc;    // "2026-12-07T09:05:07.123Z"
  std::string local;  // "2026-12-07 12:05:07"
  std::string person;    // "Ф.И.О."
  std::string protocol;  // the protocol number
  std::string object;    // the object's name as the results grid shows it
  std::string mass;      // as the grid shows it, "25,10"
  std::optional<double> grams;
  std::string deviation;
  std::string unit;
  int count = 0;
  std::string trace;    // the readings averaged, a line each: time, tab, weight
  std::string balance;  // the balance's model and serial number as the window shows them
  std::string animal;   // the animal's number: typed, scanned or read from its tag
  std::string cage;
  std::string group;
  std::string sex;
  std::string born;     // the date of birth, "2026-10-01"
  std::string note;     // why a result has no number, or that its number is not on the list
  std::string strain;    // the line, the genotype, the study or protocol number and the ear mark
  std::string genotype;  // of the animal, as the list has them
  std::string study;
  std::string earMark;
  std::int64_t subject = 0;  // the result a removal or a reference names
  int chain = kChainForm;    // which fields the hash covers: one of the forms above
  std::string hash;          // hex SHA-256 of the previous record's hash and canonicalText
};

// Every field but the hash, each as name, length and value, so that no two records share
// a text. Records of the first form leave out their id and form: renumbering them shows
// only where a removal then names another result. Records of the first two forms leave
// out the animal's fields, and those of the first three the colony's.
std::string canonicalText(const JournalRecord& record);

// Makes every text of the record one the journal and the lab's server keep as it is: bytes
// that are not UTF-8 (a balance's line, a pasted name) become U+FFFD, and NULs are dropped.
void makeKeepable(JournalRecord& record);

// The record's hash after a record whose hash is `previousHash` (empty for the first).
std::string chainHash(std::string_view previousHash, const JournalRecord& record);

}  // namespace tarvelo::journal
