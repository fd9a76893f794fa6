#pragma once

#include <string>
#include <vector>

#include "graph_series.h"
#include "text_grid.h"
#include "weighing_inputs.h"

namespace tarvelo::weighing {

// Where the default StrGrid1 layout ("№ взв.", "Время", "Вес", "Ед.изм.") keeps the
// first reading's time and the weights; a weighing is finished from these columns.
inline constexpr int kTimeColumn = 1;
inline constexpr int kWeightColumn = 2;

inline constexpr int kResultColumns = 9;
inline constexpr int kTotalCells = 6;
// sgRes columns.
enum ResultColumn : int {
  ResultNumber = 0,
  ResultTime = 1,
  ResultName = 2,
  ResultMass = 3,
  ResultUnit = 4,
  ResultCount = 5,
  ResultDeviation = 6,
  ResultAnimal = 7,  // the animal's number, typed, scanned or read from its tag
  ResultNote = 8,    // why a result has no number, or what its weight calls for
};
// lBalInfo before a balance has answered.
inline constexpr char kNoBalanceIdentity[] = "Весы:";

// sgTotal value cells.
enum TotalCell : int { TotalMass = 1, BatchMean = 3, BatchCount = 5 };

// Everything a weighing keeps between two events of the main window: the grids as
// text tables with the exact cell texts, the graph series, and the weighing state.
// Computations read the displayed texts back, so totals are built from what is shown.
struct MeasurementStore {
  MeasurementStore();

  TextGrid StrGrid1{4, 2};        // current measurement: titles, then one row a reading
  // The unit the balance sent each reading of StrGrid1 in, in order.
  std::vector<std::string> readingUnits;
  TextGrid WStringGrid{1, 2};     // weights of the weighing in general form, from row 1
  TextGrid TimeStringGrid{1, 2};  // times of the weighing, from row 1
  TextGrid sgRes{kResultColumns, 2};
  TextGrid sgTotal{kTotalCells, 1};
  GraphSeries series;

  int currentRow = 1;
  int cellColumn = 0;
  int readingIndex = 1;
  int recordNumber = 0;
  int readingsPerWeighing = 0;
  float previousWeight = 0.0f;
  bool changedEnough = false;
  bool onChangeMode = false;
  std::string stabilityText;
  int statisticsWindow = 0;
  int statisticsCount = 0;
  double trendSlope = 0.0;
  int selectedResultRow = 0;
  bool appButtonEnabled = false;  // the graph toggle, from the first recorded reading on
  bool manualFirstTick = false;   // the manual period has just started
  std::string lBalInfo = kNoBalanceIdentity;

  // Empties the current weighing; results and totals stay.
  void ClearBeforeNextWeight();
  // Empties the current weighing and its column titles, for a new choice of recorded
  // fields; the trend line stays.
  void ClearForNewFields();
  // The data side of "Очистить окно": the current weighing, the results and the totals.
  void ClearResults();
  void SelectResultRow(int row) { selectedResultRow = row; }
  // Column titles of StrGrid1 for the ticked items 0 to 4.
  void SetupCurrentGrid(const WeighingInputs& inputs);
  // sgRes row count; a selection below the new last row moves to it.
  void setResultRowCount(int rows);
};

// Readings that complete a weighing of `seconds` at one reading every 700 ms.
int readingsForAveragingTime(int seconds);

}  // namespace tarvelo::weighing
