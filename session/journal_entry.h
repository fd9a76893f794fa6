#pragma once

#include <QDateTime>
#include <cstdint>
#include <string>
#include <vector>

#include "journal/animal_list.h"
#include "journal/journal_record.h"
#include "weighing/measurement_store.h"

namespace tarvelo::session {

// How a record's local time is written ("2026-12-07 12:05:07"), and a local date as the
// journal's filters take it ("2026-12-07").
inline constexpr char kLocalTimeFormat[] = "yyyy-MM-dd HH:mm:ss";
inline constexpr char kLocalDateFormat[] = "yyyy-MM-dd";
// The protocol number the main window shows until one is typed: no number, and never
// journalled as one.
inline constexpr char kUnnumberedProtocol[] = "ХХХХХХХХ";

// What the window knows of a result beyond the grids.
struct JournalContext {
  std::string person;    // "Ф.И.О."
  std::string protocol;  // the protocol number
};

// The journal record of result row `row` of the store, as it stands, made at `now`: the
// readings it was averaged from are the current weighing's.
journal::JournalRecord resultRecord(const weighing::MeasurementStore& store, int row, const JournalContext& context,
                                    const QDateTime& now);

// The record that the standing result `result` is its object's reference from now on.
journal::JournalRecord referenceRecord(const journal::JournalRecord& result, const JournalContext& context,
                                       const QDateTime& now);

// The record that the grid calls a result `name` from now on; the writer names the result.
journal::JournalRecord renameRecord(const std::string& name, const JournalContext& context, const QDateTime& now);

// The record that the result `removedId` left the results grid, made at `now`.
journal::JournalRecord removalRecord(std::int64_t removedId, const JournalContext& context, const QDateTime& now);

// The entry of the list of animals to weigh that `animal` is from `now` on, its reference
// weight in `grams`.
journal::JournalRecord animalRecord(const journal::Animal& animal, const JournalContext& context,
                                    const QDateTime& now);

// The record that the animal `number` left the list of animals to weigh, made at `now`.
journal::JournalRecord animalGoneRecord(const std::string& number, const JournalContext& context,
                                        const QDateTime& now);

// The records that make the list `current` into `wanted`, made at `now`: an animal record
// for each animal of `wanted` that `current` lacks or holds otherwise, in the order of
// `wanted`, then, when `removeMissing`, a gone record for each animal of `current` that
// `wanted` lacks. None for what is already so: the same file read again adds nothing.
std::vector<journal::JournalRecord> listChanges(const std::vector<journal::Animal>& current,
                                                const std::vector<journal::Animal>& wanted, bool removeMissing,
                                                const JournalContext& context, const QDateTime& now);

}  // namespace tarvelo::session
