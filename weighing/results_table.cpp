#include "results_table.h"

#include <vector>

#include "number_text.h"

namespace tarvelo::weighing {

namespace {

// Every weighing shows 2 decimals, whatever its readings have: a check weight
// of exactly 1 g must not change how the batch is shown.
constexpr int kResultDecimals = 2;
constexpr const char* kGramText = "г";

std::string resultText(double value, char separator) { return fixedNumberText(value, kResultDecimals, separator); }

std::string resultName(const WeighingInputs& inputs, int row) { return inputs.eUnit + " " + integerText(row); }

// Masses of sgRes rows 1 to last, as displayed.
std::vector<double> displayedMasses(const TextGrid& results, int last) {
  std::vector<double> masses(static_cast<std::size_t>(last) + 1, 0.0);
  for (int row = 1; row <= last; ++row) masses[static_cast<std::size_t>(row)] = parseNumber(results.cell(ResultMass, row));
  return masses;
}

void writeDeviations(TextGrid& results, const std::vector<double>& masses, int last, double batchMean, char separator) {
  for (int row = 1; row <= last; ++row) {
    results.setCell(ResultDeviation, row, deviationText(masses[static_cast<std::size_t>(row)], batchMean, separator));
  }
}

}  // namespace

std::string deviationText(double mass, double batchMean, char separator) { return resultText(mass - batchMean, separator); }

void FinishWeighing(MeasurementStore& store, const WeighingInputs& inputs) {
  const char separator = inputs.decimalSeparator;
  const TextGrid& readings = store.StrGrid1;
  const int readingCount = readings.rowCount() - 1;

  double sum = 0.0;
  for (int row = 1; row <= readingCount; ++row) sum += parseNumber(readings.cell(kWeightColumn, row));
  const double mean = sum / readingCount;

  TextGrid& results = store.sgRes;
  const int lastBefore = results.rowCount() - 1;
  const int row = results.cell(ResultNumber, lastBefore).empty() ? lastBefore : lastBefore + 1;
  std::vector<double> masses = displayedMasses(results, row - 1);
  const std::string massText = resultText(mean, separator);
  masses.push_back(parseNumber(massText));
  const std::string totalText = generalNumberText(parseNumber(store.sgTotal.cell(TotalMass, 0)) + masses.back(), separator);
  const double batchMean = parseNumber(totalText) / row;

  if (row > lastBefore) store.setResultRowCount(row + 1);
  results.setCell(ResultNumber, row, integerText(row));
  results.setCell(ResultTime, row, readings.cell(kTimeColumn, 1));
  results.setCell(ResultName, row, resultName(inputs, row));
  results.setCell(ResultMass, row, massText);
  results.setCell(ResultUnit, row, kGramText);
  results.setCell(ResultCount, row, integerText(readingCount));
  results.setCell(ResultAnimal, row, inputs.eAnimal);
  results.setCell(ResultNote, row, {});
  store.sgTotal.setCell(TotalMass, 0, totalText);
  store.sgTotal.setCell(BatchCount, 0, integerText(row));
  writeDeviations(results, masses, row, batchMean, separator);
  store.sgTotal.setCell(BatchMean, 0, resultText(batchMean, separator));
  store.SelectResultRow(row);
}

bool RemoveResultRow(MeasurementStore& store, const WeighingInputs& inputs, const RemovalDialogs& dialogs) {
  TextGrid& results = store.sgRes;
  if (results.cell(ResultNumber, 1).empty()) {
    dialogs.inform("Нет ни одного измерения", "Нет измерений");
    return false;
  }
  const std::string q = integerText(store.selectedResultRow);
  if (!dialogs.confirm("Вы действительно хотите удалить измерение № " + q + "?", "Удаление измерения № " + q)) {
    return false;
  }

  const char separator = inputs.decimalSeparator;
  const int selected = store.selectedResultRow;
  const int lastBefore = results.rowCount() - 1;
  const std::vector<double> massesBefore = displayedMasses(results, lastBefore);
  const double removedMass = parseNumber(results.cell(ResultMass, selected));
  const std::string totalText = resultText(parseNumber(store.sgTotal.cell(TotalMass, 0)) - removedMass, separator);

  store.sgTotal.setCell(TotalMass, 0, totalText);
  for (int row = selected; row < lastBefore; ++row) results.copyRow(row + 1, row);
  if (lastBefore == 1) {
    results.clearRow(1);
    store.sgTotal.setCell(BatchCount, 0, "0");
    store.sgTotal.setCell(BatchMean, 0, "0");
  } else {
    const int last = lastBefore - 1;
    store.setResultRowCount(last + 1);
    store.sgTotal.setCell(BatchCount, 0, integerText(last));
    const double batchMean = parseNumber(totalText) / last;
    store.sgTotal.setCell(BatchMean, 0, resultText(batchMean, separator));
    std::vector<double> masses(massesBefore);
    masses.erase(masses.begin() + selected);
    writeDeviations(results, masses, last, batchMean, separator);
    for (int row = 1; row <= last; ++row) {
      results.setCell(ResultNumber, row, integerText(row));
      results.setCell(ResultName, row, resultName(inputs, row));
    }
  }
  store.ClearBeforeNextWeight();
  return true;
}

}  // namespace tarvelo::weighing
