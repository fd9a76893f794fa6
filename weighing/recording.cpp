#include "recording.h"

#include <algorithm>

#include "link/balance_identity.h"
#include "number_text.h"
#include "results_table.h"
#include "statistics.h"

namespace tarvelo::weighing {

namespace {

constexpr int kRowsInView = 7;
constexpr int kGraphRangeMinRows = 3;
constexpr const char* kGramText = "г";

bool unitHasLetterG(const link::WeightReading& reading) {
  for (const char c : reading.unit) {
    if (c == '\0') return false;
    if (c == 'g') return true;
  }
  return false;
}

}  // namespace

bool RecordReading(MeasurementStore& store, const link::WeightReading& reading,
                   const std::string& timeText, const WeighingInputs& inputs) {
  TextGrid& grid = store.StrGrid1;
  const auto ticked = [&](FCheckItem item) { return inputs.FCheck[item]; };
  const auto writeNext = [&](std::string text) { grid.setCell(store.cellColumn++, store.currentRow, std::move(text)); };

  store.cellColumn = 0;
  store.changedEnough = false;
  ++store.recordNumber;
  if (ticked(ItemRecordNumber)) writeNext(integerText(store.recordNumber));
  if (ticked(ItemTime)) writeNext(timeText);
  store.TimeStringGrid.setCell(0, store.readingIndex, timeText);
  const std::string weightText = generalNumberText(reading.weight, inputs.decimalSeparator);
  if (ticked(ItemWeight)) writeNext(weightText);
  store.WStringGrid.setCell(0, store.readingIndex, weightText);
  CollectStatisticsWindow(store, inputs);
  if (ticked(ItemUnit) && unitHasLetterG(reading)) writeNext(kGramText);
  if (ticked(ItemStability)) writeNext(store.stabilityText);

  const auto unitEnd = std::find(reading.unit.begin(), reading.unit.end(), '\0');
  store.readingUnits.emplace_back(reading.unit.begin(), unitEnd);
  if (++store.readingIndex >= 2) store.appButtonEnabled = true;
  ++store.currentRow;
  if (store.cellColumn > 0) {
    grid.setRowCount(store.currentRow);
    if (store.currentRow > kRowsInView) grid.scrollDown();
  }
  store.lBalInfo = link::balanceIdentityText(reading);
  return grid.rowCount() == store.readingsPerWeighing + 1;
}

StopOutcome StopWeighing(MeasurementStore& store, const WeighingInputs& inputs) {
  StopOutcome outcome;
  const int rows = store.StrGrid1.rowCount();
  if (rows > kGraphRangeMinRows) outcome.lastNum = rows - 1;
  if (!store.StrGrid1.cell(kTimeColumn, 1).empty()) {
    FinishWeighing(store, inputs);
    outcome.resultAdded = true;
  }
  return outcome;
}

}  // namespace tarvelo::weighing
