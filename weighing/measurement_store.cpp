#include "measurement_store.h"

#include <algorithm>
#include <array>

namespace tarvelo::weighing {

namespace {

constexpr std::array<const char*, kColumnItems> kColumnTitles{"№ взв.", "Время", "Вес", "Ед.изм.",
                                                             "Стаб-ть"};
constexpr std::array<const char*, kResultColumns> kResultTitles{
    "№", "Время", "Наименование", "Масса", "Единица измерения", "Кол-во взвеш-й",
    "Отклонение от средней массы", "№ животного", "Примечание"};
constexpr std::array<const char*, 3> kTotalLabels{"Общая масса партии, г", "Средняя масса, г",
                                                  "Количество в партии"};
constexpr int kEmptyGridRows = 2;
// A hair above 10/7, as the original 80-bit constant: t = 7 and t = 14 reach whole numbers.
constexpr long double kReadingsPerSecond = 1.428571428571428662L;

}  // namespace

MeasurementStore::MeasurementStore() {
  for (int column = 0; column < kResultColumns; ++column) sgRes.setCell(column, 0, kResultTitles[column]);
  for (int i = 0; i < 3; ++i) {
    sgTotal.setCell(2 * i, 0, kTotalLabels[static_cast<std::size_t>(i)]);
    sgTotal.setCell(2 * i + 1, 0, "0");
  }
}

void MeasurementStore::ClearBeforeNextWeight() {
  for (int row = 1; row < currentRow; ++row) StrGrid1.clearRow(row);
  StrGrid1.setRowCount(kEmptyGridRows);
  readingUnits.clear();
  currentRow = 1;
  readingIndex = 1;
  recordNumber = 0;
  series.clear();
}

void MeasurementStore::ClearForNewFields() {
  for (int row = 0; row < currentRow; ++row) StrGrid1.clearRow(row);
  StrGrid1.setRowCount(kEmptyGridRows);
  readingUnits.clear();
  currentRow = 1;
  readingIndex = 1;
  recordNumber = 0;
  series.readings.clear();
}

void MeasurementStore::ClearResults() {
  ClearBeforeNextWeight();
  for (int row = 1; row < sgRes.rowCount(); ++row) sgRes.clearRow(row);
  setResultRowCount(kEmptyGridRows);
  for (const int cell : {TotalMass, BatchMean, BatchCount}) sgTotal.setCell(cell, 0, "0");
}

void MeasurementStore::SetupCurrentGrid(const WeighingInputs& inputs) {
  int column = 0;
  for (int item = 0; item < kColumnItems; ++item) {
    if (inputs.FCheck[static_cast<std::size_t>(item)]) {
      StrGrid1.setCell(column++, 0, kColumnTitles[static_cast<std::size_t>(item)]);
    }
  }
  StrGrid1.setColumnCount(column);
}

void MeasurementStore::setResultRowCount(int rows) {
  sgRes.setRowCount(rows);
  selectedResultRow = std::min(selectedResultRow, rows - 1);
}

int readingsForAveragingTime(int seconds) {
  return static_cast<int>(seconds * kReadingsPerSecond + 1);
}

}  // namespace tarvelo::weighing
