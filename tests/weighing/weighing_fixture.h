#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "weighing/acceptance.h"
#include "weighing/measurement_store.h"
#include "weighing/recording.h"

namespace tarvelo::weighing {

// A store driven as the window drives it: a start, then one tick per reading.
struct WeighingFixture : ::testing::Test {
  MeasurementStore store;
  WeighingInputs inputs;

  static link::WeightReading reading(double weight, uint8_t stable = 1, const char* unit = "g") {
    link::WeightReading r;
    r.weight = weight;
    r.stable = stable;
    std::snprintf(r.unit.data(), r.unit.size(), "%s", unit);
    return r;
  }

  void start() {
    store.statisticsWindow = parseSize();
    store.readingsPerWeighing = readingsForAveragingTime(std::stoi(inputs.cbWTime));
    store.ClearBeforeNextWeight();
    store.SetupCurrentGrid(inputs);
  }

  // One tick with a ready reading; true when the weighing is complete.
  bool tick(link::WeightReading r, const std::string& time = "09:05:07") {
    return AcceptReading(store, r, inputs) && RecordReading(store, r, time, inputs);
  }

  // A whole weighing of the given weights, stopped when complete or after the last.
  void weigh(const std::vector<double>& weights) {
    start();
    for (const double w : weights) {
      if (tick(reading(w))) break;
    }
    StopWeighing(store, inputs);
  }

  std::string result(int column, int row) const { return store.sgRes.cell(column, row); }
  std::string total(int cell) const { return store.sgTotal.cell(cell, 0); }

 private:
  int parseSize() const { return std::stoi(inputs.SizeEdit); }
};

}  // namespace tarvelo::weighing
