// Building and saving the protocol of a batch of 1000 weighings, and the file's size.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "reports/spreadsheet_protocol.h"
#include "reports/xlsx_protocol_writer.h"
#include "weighing/recording.h"

using namespace tarvelo;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kResults = 1000;
constexpr int kReadingsPerResult = 2;

// A batch built the way the window builds it.
weighing::MeasurementStore batch() {
  weighing::MeasurementStore store;
  weighing::WeighingInputs inputs;
  store.readingsPerWeighing = kReadingsPerResult;
  store.statisticsWindow = kReadingsPerResult;
  for (int result = 0; result < kResults; ++result) {
    store.ClearBeforeNextWeight();
    store.SetupCurrentGrid(inputs);
    for (int i = 0; i < kReadingsPerResult; ++i) {
      link::WeightReading reading;
      reading.weight = 20.0 + (result % 50) * 0.1;
      reading.stable = 1;
      weighing::RecordReading(store, reading, "09:05:07", inputs);
    }
    weighing::StopWeighing(store, inputs);
  }
  return store;
}

}  // namespace

int main() {
  const weighing::MeasurementStore store = batch();
  const auto file = std::filesystem::temp_directory_path() / "tarvelo-bench-protocol.xlsx";
  const auto start = Clock::now();
  const auto protocol = reports::BuildSpreadsheetProtocol(
      {store.sgRes, store.sgTotal, "17/3", "Мышь", "Иванов И.И.", "4", "07.12.2026", "KM42-01", 1234});
  const auto result = reports::writeXlsxProtocol(protocol, file);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!result.ok()) {
    std::printf("not saved: %s\n", result.error.c_str());
    return 1;
  }
  std::printf("protocol of %d results (%zu cells) built and saved in %.3f s, file %ju bytes\n", kResults,
              protocol.cells.size(), seconds, static_cast<std::uintmax_t>(std::filesystem::file_size(file)));
  std::filesystem::remove(file);
  return 0;
}
