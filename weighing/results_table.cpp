#include "results_table.h"

#include <vector>

#include "number_text.h"

namespace tarvelo::weighing {

namespace {

constexpr int kDefaultDecimals = 2;
constexpr const char* kGramText = "г";

// Digits after the first "." (else the first ",") of a number text; none gives 0.
int decimalsOf(const std::string& text) {
  auto separator = text.find('.');
  if (separator == std::string::npos) separator = text.find(',');
  return separator == std::string::npos ? 0 : static_cast<int>(text.size() - separator - 1);
}

// The decimals of a weighing from its reading texts: the first reading that is not
// "0" decides; all "0" gives 2; a single "0" keeps the previous decimals.
int decimalsFromReadings(const TextGrid& grid, int previous) {
  const int rows = grid.rowCount();
  const std::string& first = grid.cell(kWeightColumn, 1);
  if (first != "0") return decimalsOf(first);
  for (int row = 2; row < rows; ++row) {
    const std::string& text = grid.cell(kWeightColumn, row);
    if (text != "0") return decimalsOf(text);
    if (row == rows - 1) return kDefaultDecimals;
  }
  return previous;
}

std::string resultName(const WeighingInputs& inputs, int row) { return inputs.eUnit + " " + integerText(row); }

// Masses of sgRes rows 1 to last, as displayed.
std::vector<double> displayedMasses(const TextGrid& results, int last) {
  std::vector<double> masses(static_cast<std::size_t>(last) + 1, 0.0);
  for (int row = 1; row <= last; ++row) masses[static_cast<std::size_t>(row)] = parseNumber(results.cell(ResultMass, row));
  return masses;
}

void writeDeviations(TextGrid& results, const std::vector<double>& masses, int last, double batchMean,
                     int decimals, char separator) {
  for (int row = 1; row <= last; ++row) {
    results.setCell(ResultDeviation, row,
                    fixedNumberText(masses[static_cast<std::size_t>(row)] - batchMean, decimals, separator));
  }
}

}  // namespace

void FinishWeighing(MeasurementStore& store, const WeighingInputs& inputs) {
  const char separator = inputs.decimalSeparator;
  const TextGrid& readings = store.StrGrid1;
  const int readingCount = readings.rowCount() - 1;
  int decimals = decimalsFromReadings(readings, store.resultDecimals);

  double sum = 0.0;
  for (int row = 1; row <= readingCount; ++row) sum += parseNumber(readings.cell(kWeightColumn, row));
  const double mean = sum / readingCount;
  // The decimals of the readings stand only for a mean of exactly 0 or 1; any other
  // weighing is shown with 2 decimals.
  if (mean != 0.0 && mean != 1.0) decimals = kDefaultDecimals;

  TextGrid& results = store.sgRes;
  const int lastBefore = results.rowCount() - 1;
  const int row = results.cell(ResultNumber, lastBefore).empty() ? lastBefore : lastBefore + 1;
  std::vector<double> masses = displayedMasses(results, row - 1);
  const std::string massText = fixedNumberText(mean, decimals, separator);
  masses.push_back(parseNumber(massText));
  const std::string totalText = generalNumberText(parseNumber(store.sgTotal.cell(TotalMass, 0)) + masses.back(), separator);
  const double batchMean = parseNumber(totalText) / row;

  store.resultDecimals = decimals;
  if (row > lastBefore) store.setResultRowCount(row + 1);
  results.setCell(ResultNumber, row, integerText(row));
  results.setCell(ResultTime, row, readings.cell(kTimeColumn, 1));
  results.setCell(ResultName, row, resultName(inputs, row));
  results.setCell(ResultMass, row, massText);
  results.setCell(ResultUnit, row, kGramText);
  results.setCell(ResultCount, row, integerText(readingCount));
  store.sgTotal.setCell(TotalMass, 0, totalText);
  store.sgTotal.setCell(BatchCount, 0, integerText(row));
  writeDeviations(results, masses, row, batchMean, decimals, separator);
  store.sgTotal.setCell(BatchMean, 0, fixedNumberText(batchMean, decimals, separator));
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
  const int decimals = store.resultDecimals;
  const int selected = store.selectedResultRow;
  const int lastBefore = results.rowCount() - 1;
  const std::vector<double> massesBefore = displayedMasses(results, lastBefore);
  const double removedMass = parseNumber(results.cell(ResultMass, selected));
  const std::string totalText =
      fixedNumberText(parseNumber(store.sgTotal.cell(TotalMass, 0)) - removedMass, decimals, separator);

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
    store.sgTotal.setCell(BatchMean, 0, fixedNumberText(batchMean, decimals, separator));
    std::vector<double> masses(massesBefore);
    masses.erase(masses.begin() + selected);
    writeDeviations(results, masses, last, batchMean, decimals, separator);
    for (int row = 1; row <= last; ++row) {
      results.setCell(ResultNumber, row, integerText(row));
      results.setCell(ResultName, row, resultName(inputs, row));
    }
  }
  store.ClearBeforeNextWeight();
  return true;
}

}  // namespace tarvelo::weighing
