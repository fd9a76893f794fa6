// Cost of the weighing core's heaviest steps, which run on the window's 700 ms tick:
// recording a reading with a 1000-reading statistics window, and finishing a weighing
// into a table of 1000 result rows.
#include <chrono>
#include <cstdio>

#include "weighing/acceptance.h"
#include "weighing/recording.h"
#include "weighing/results_table.h"

using namespace tarvelo;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kWindow = 1000;
constexpr int kResultRows = 1000;
constexpr int kReadingsPerWeighing = 22;

link::WeightReading readingOf(double weight) {
  link::WeightReading reading;
  reading.weight = weight;
  reading.stable = 1;
  reading.unit = {'g', '\0', '\0', '\0'};
  return reading;
}

double microsecondsPer(Clock::duration elapsed, int count) {
  return std::chrono::duration<double, std::micro>(elapsed).count() / count;
}

void recordingWithAFullWindow() {
  weighing::MeasurementStore store;
  weighing::WeighingInputs inputs;
  inputs.FCheck[weighing::ItemStatistics] = true;
  store.statisticsWindow = kWindow;
  store.readingsPerWeighing = 1'000'000;
  store.SetupCurrentGrid(inputs);
  auto record = [&](int i) {
    auto reading = readingOf(25.0 + (i % 7) * 0.01);
    weighing::AcceptReading(store, reading, inputs);
    weighing::RecordReading(store, reading, "09:05:07", inputs);
  };
  for (int i = 0; i < kWindow; ++i) record(i);
  constexpr int kMeasured = 1000;
  const auto start = Clock::now();
  for (int i = 0; i < kMeasured; ++i) record(i);
  std::printf("AcceptReading + RecordReading, %d-reading window: %.1f us\n", kWindow,
              microsecondsPer(Clock::now() - start, kMeasured));
}

void finishingIntoALargeTable() {
  weighing::MeasurementStore store;
  weighing::WeighingInputs inputs;
  store.SetupCurrentGrid(inputs);
  Clock::duration finishing{};
  for (int row = 1; row <= kResultRows; ++row) {
    store.ClearBeforeNextWeight();
    for (int i = 0; i < kReadingsPerWeighing; ++i) {
      weighing::RecordReading(store, readingOf(20.0 + row % 10 + i * 0.01), "09:05:07", inputs);
    }
    const auto start = Clock::now();
    weighing::FinishWeighing(store, inputs);
    if (row == kResultRows) finishing = Clock::now() - start;
  }
  std::printf("FinishWeighing into %d result rows: %.1f us\n", kResultRows, microsecondsPer(finishing, 1));
}

}  // namespace

int main() {
  recordingWithAFullWindow();
  finishingIntoALargeTable();
}
