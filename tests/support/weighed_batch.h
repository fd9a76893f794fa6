#pragma once

#include "weighing/recording.h"

namespace tarvelo::testing_support {

// A batch of `results` weighings of two stable readings each, made the way the window
// makes it; the masses run 20,0 to 24,9 g and over again.
inline weighing::MeasurementStore weighedBatch(int results) {
  constexpr int kReadingsPerResult = 2;
  constexpr int kMassSteps = 50;
  constexpr double kFirstMass = 20.0;
  constexpr double kMassStep = 0.1;
  weighing::MeasurementStore store;
  const weighing::WeighingInputs inputs;
  store.readingsPerWeighing = kReadingsPerResult;
  store.statisticsWindow = kReadingsPerResult;
  for (int result = 0; result < results; ++result) {
    store.ClearBeforeNextWeight();
    store.SetupCurrentGrid(inputs);
    for (int i = 0; i < kReadingsPerResult; ++i) {
      link::WeightReading reading;
      reading.weight = kFirstMass + (result % kMassSteps) * kMassStep;
      reading.stable = 1;
      weighing::RecordReading(store, reading, "09:05:07", inputs);
    }
    weighing::StopWeighing(store, inputs);
  }
  return store;
}

}  // namespace tarvelo::testing_support
