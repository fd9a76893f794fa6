// Building and saving the protocol of a batch of 1000 weighings, and the file's size.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "reports/spreadsheet_protocol.h"
#include "reports/xlsx_protocol_writer.h"
#include "tests/support/weighed_batch.h"

using namespace tarvelo;
using Clock = std::chrono::steady_clock;

constexpr int kResults = 1000;

int main() {
  const weighing::MeasurementStore store = testing_support::weighedBatch(kResults);
  const auto file = std::filesystem::temp_directory_path() / "tarvelo-bench-protocol.xlsx";
  const auto start = Clock::now();
  const auto protocol = reports::BuildSpreadsheetProtocol(
      {store.sgRes, store.sgTotal, "17/3", "Мышь", "Иванов И.И.", "4", "07.12.2026", "KM42-01", 1234});
  const auto failure = reports::writeXlsxProtocol(protocol, file);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (failure) {
    std::printf("not saved: %s\n", failure->message.c_str());
    return 1;
  }
  const auto numbers = std::count_if(protocol.cells.begin(), protocol.cells.end(),
                                     [](const reports::ProtocolCell& cell) { return cell.number.has_value(); });
  std::printf("protocol of %d results (%zu cells, %td numbers) built and saved in %.3f s, file %ju bytes\n",
              kResults, protocol.cells.size(), numbers, seconds,
              static_cast<std::uintmax_t>(std::filesystem::file_size(file)));
  std::filesystem::remove(file);
  return 0;
}
