#include "session/journal_entry.h"

#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::app {

namespace {

journal::JournalRecord stamped(const JournalContext& context, const QDateTime& now) {
  journal::JournalRecord record;
  record.utc = now.toUTC().toString(Qt::ISODateWithMs).toStdString();
  record.local = now.toLocalTime().toString(kLocalTimeFormat).toStdString();
  record.person = context.person;
  record.protocol = context.protocol;
  return record;
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
  // The grid's own texts, which the window has just written: numbers, results in grams.
  try {
    record.count = weighing::parseInteger(results.cell(weighing::ResultCount, row));
    record.grams = weighing::parseNumber(record.mass);
  } catch (const weighing::ConversionError&) {
  }
  const weighing::TextGrid& readings = store.StrGrid1;
  for (int reading = 1; reading < readings.rowCount(); ++reading) {
    record.trace += readings.cell(weighing::kTimeColumn, reading) + "\t" +
                    readings.cell(weighing::kWeightColumn, reading) + "\n";
  }
  record.balance = store.lBalInfo;
  return record;
}

journal::JournalRecord referenceRecord(std::int64_t resultId, const std::string& object, const JournalContext& context,
                                       const QDateTime& now) {
  journal::JournalRecord record = stamped(context, now);
  record.kind = journal::kReference;
  record.object = object;
  record.subject = resultId;
  return record;
}

journal::JournalRecord removalRecord(std::int64_t removedId, const JournalContext& context, const QDateTime& now) {
  journal::JournalRecord record = stamped(context, now);
  record.kind = journal::kRemoval;
  record.subject = removedId;
  return record;
}

}  // namespace tarvelo::app
