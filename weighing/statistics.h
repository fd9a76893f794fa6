#pragma once

#include <span>

#include "measurement_store.h"
#include "weighing_inputs.h"

namespace tarvelo::weighing {

// Trend of a window of readings by the method of two halves (the middle reading of
// an odd window belongs to both): the halves' mean weights and mean positions.
struct TwoHalvesTrend {
  double y1 = 0.0, y2 = 0.0;  // mean weight of each half
  double p1 = 0.0, p2 = 0.0;  // mean position (1-based) of each half
  double slope = 0.0;         // weight units per reading
};
TwoHalvesTrend twoHalvesTrend(std::span<const float> values);

// From the second recorded reading on: the statistics of the last K (SizeEdit)
// recorded weights, read back from WStringGrid.
void CollectStatisticsWindow(MeasurementStore& store, const WeighingInputs& inputs);

// Mean, standard deviation and trend of `values` (oldest first), where `c` is the
// number of the newest reading: refills both graph series and, with FCheck item 5,
// writes the three statistics cells of the current row.
void UpdateStatistics(MeasurementStore& store, std::span<const float> values, int c,
                      const WeighingInputs& inputs);

struct GraphRange {
  int lastNum = 0;     // the last reading of the range, no later than the last recorded one
  bool drawn = false;  // false: the first reading is not before the last
};

// Redraws the graph over readings startNum to lastNum of the current weighing, both
// included, without writing statistics cells. Throws ConversionError, drawing nothing,
// for a reading text in the range that is not a number.
GraphRange ShowGraphRange(MeasurementStore& store, int startNum, int lastNum, WeighingInputs inputs);

}  // namespace tarvelo::weighing
