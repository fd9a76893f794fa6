#pragma once

#include "link/weight_reading.h"
#include "measurement_store.h"
#include "weighing_inputs.h"

namespace tarvelo::weighing {

// Decides whether the tick's reading is recorded: the on-change, sign, stability and
// minimum tests, all run in order every time. An unstable reading accepted under
// StabCB is marked stable with the text "нестаб.". Throws ConversionError for a
// threshold that is not a number.
bool AcceptReading(MeasurementStore& store, link::WeightReading& reading, const WeighingInputs& inputs);

}  // namespace tarvelo::weighing
