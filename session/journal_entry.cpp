#include "session/journal_entry.h"

#include <map>
#include <optional>

#include "weighing/conversion_error.h"
#include "weighing/mass_in_grams.h"
#include "weighing/number_text.h"

namespace tarvelo::session {

namespace {

journal::JournalRecord stamped(const JournalContext& context, const QDateTime& now) {
  journal::JournalRecord record;
  record.utc = now.toUTC().toString(Qt::ISODateWithMs).toStdString();
  record.local = now.toLocalTime().toString(kLocalTimeFormat).toStdString();
  record.person = context.person;
  record.protocol = context.protocol == kUnnumberedProtocol ? std::string() : context.protocol;
  return record;
}

// The mean of the current weighing's readings in grams, each converted from the unit the
// balance sent it in; nothing when a reading is no number or its unit was not kept.
std::optional<double> meanGrams(const weighing::MeasurementStore& store) {
  const weighing::TextGrid& readings = store.StrGrid1;
  const int count = readings.rowCount() - 1;
  if (count < 1 || static_cast<std::size_t>(count) != store.readingUnits.size()) return std::nullopt;
  double sum = 0.0;
  try {
    for (int row = 1; row <= count; ++row) {
      const double weight = weighing::parseNumber(readings.cell(weighing::kWeightColumn, row));
      sum += weighing::massInGrams(weight, store.readingUnits[static_cast<std::size_t>(row - 1)]);
    }
  } catch (const weighing::ConversionError&) {
    return std::nullopt;
  }
  return sum / count;
}

}  // namespace

journal::JournalRecord resultRecord(const weighing::MeasurementStore& store, int row, const JournalContext& context,
                                    const QDateTime& now) {
  journal::JournalRecord record = stamped(context, now);
  const weighing::TextGrid& results = store.sgRes;
  record.object = results.cell(weighing::ResultName, row);
  record.mass = results.cell(weighing::ResultMass, row);
  record.unit = results.cell(weighing::ResultUnit, row);
  record.deviation = results.cell(weighing::ResultDeviation, row);
  // The grid's own text, which the window has just written.
  try {
    record.count = weighing::parseInteger(results.cell(weighing::ResultCount, row));
  } catch (const weighing::ConversionError&) {
  }
  record.grams = meanGrams(store);
  const weighing::TextGrid& readings = store.StrGrid1;
  for (int reading = 1; reading < readings.rowCount(); ++reading) {
    record.trace += readings.cell(weighing::kTimeColumn, reading) + "\t" +
                    readings.cell(weighing::kWeightColumn, reading) + "\n";
  }
  record.balance = store.lBalInfo;
  record.animal = results.cell(weighing::ResultAnimal, row);
  record.note = results.cell(weighing::ResultNote, row);
  return record;
}

journal::JournalRecord referenceRecord(const journal::JournalRecord& result, const JournalContext& context,
                                       const QDateTime& now) {
  journal::JournalRecord record = stamped(context, now);
  record.kind = journal::kReference;
  record.object = result.object;
  record.animal = result.animal;
  record.subject = result.id;
  return record;
}

journal::JournalRecord renameRecord(const std::string& name, const JournalContext& context, const QDateTime& now) {
  journal::JournalRecord record = stamped(context, now);
  record.kind = journal::kRename;
  record.object = name;
  return record;
}

journal::JournalRecord removalRecord(std::int64_t removedId, const JournalContext& context, const QDateTime& now) {
  journal::JournalRecord record = stamped(context, now);
  record.kind = journal::kRemoval;
  record.subject = removedId;
  return record;
}

journal::JournalRecord animalRecord(const journal::Animal& animal, const JournalContext& context,
                                    const QDateTime& now) {
  journal::JournalRecord record = stamped(context, now);
  record.kind = journal::kAnimal;
  record.animal = animal.number;
  record.cage = animal.cage;
  record.group = animal.group;
  record.sex = animal.sex;
  record.born = animal.born;
  record.grams = animal.referenceGrams;
  record.strain = animal.strain;
  record.genotype = animal.genotype;
  record.study = animal.study;
  record.earMark = animal.earMark;
  return record;
}

journal::JournalRecord animalGoneRecord(const std::string& number, const JournalContext& context,
                                        const QDateTime& now) {
  journal::JournalRecord record = stamped(context, now);
  record.kind = journal::kAnimalGone;
  record.animal = number;
  return record;
}

std::vector<journal::JournalRecord> listChanges(const std::vector<journal::Animal>& current,
                                                const std::vector<journal::Animal>& wanted, bool removeMissing,
                                                const JournalContext& context, const QDateTime& now) {
  const auto byNumber = [](const std::vector<journal::Animal>& animals) {
    std::map<std::string, const journal::Animal*> numbered;
    for (const journal::Animal& animal : animals) numbered.emplace(animal.number, &animal);
    return numbered;
  };
  const std::map<std::string, const journal::Animal*> standing = byNumber(current);
  std::vector<journal::JournalRecord> changes;
  for (const journal::Animal& animal : wanted) {
    const auto held = standing.find(animal.number);
    if (held == standing.end() || *held->second != animal) {
      changes.push_back(animalRecord(animal, context, now));
    }
  }
  if (!removeMissing) return changes;
  const std::map<std::string, const journal::Animal*> kept = byNumber(wanted);
  for (const journal::Animal& animal : current) {
    if (!kept.contains(animal.number)) changes.push_back(animalGoneRecord(animal.number, context, now));
  }
  return changes;
}

}  // namespace tarvelo::session
