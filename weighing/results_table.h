#pragma once

#include <functional>
#include <string>

#include "measurement_store.h"
#include "weighing_inputs.h"

namespace tarvelo::weighing {

// Turns the readings of StrGrid1 into one result row of sgRes and rebuilds the batch
// totals and every deviation from the displayed masses. Every text it needs is read
// before anything is written: a ConversionError leaves the results and totals as
// they were.
void FinishWeighing(MeasurementStore& store, const WeighingInputs& inputs);

// A result's deviation from its batch's mean, as the results grid shows it: "-0,35".
std::string deviationText(double mass, double batchMean, char separator);

// How the removal talks to the user: a plain message, and a question answered OK (true)
// or Cancel.
struct RemovalDialogs {
  std::function<void(const std::string& text, const std::string& caption)> inform;
  std::function<bool(const std::string& text, const std::string& caption)> confirm;
};

// Removes the selected result row after asking, renumbers and renames the rest and
// rebuilds the totals, then empties the current weighing. True when a row was removed.
// Like FinishWeighing, it reads every text before it writes.
bool RemoveResultRow(MeasurementStore& store, const WeighingInputs& inputs, const RemovalDialogs& dialogs);

}  // namespace tarvelo::weighing
