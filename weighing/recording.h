#pragma once

#include <optional>
#include <string>

#include "link/weight_reading.h"
#include "measurement_store.h"
#include "weighing_inputs.h"

namespace tarvelo::weighing {

// Writes an accepted reading taken at `timeText` into StrGrid1 (the columns the
// ticked FCheck items choose) and the history grids, updates the statistics and the
// balance information. True when the weighing is now complete.
bool RecordReading(MeasurementStore& store, const link::WeightReading& reading,
                   const std::string& timeText, const WeighingInputs& inputs);

struct StopOutcome {
  std::optional<int> lastNum;  // last reading of the graph range, with more than two readings
  bool resultAdded = false;
};

// The data side of stopping a weighing: a weighing with at least one recorded
// reading becomes a result row.
StopOutcome StopWeighing(MeasurementStore& store, const WeighingInputs& inputs);

}  // namespace tarvelo::weighing
