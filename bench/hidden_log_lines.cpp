// The hidden-mode log with the tick taken out of the way: 100 000 lines written
// through, time per line, peak memory, and every line of the file checked against
// the reading it came from.
//   bench_hidden_log_lines [lines, default 100000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "reports/hidden_log.h"
#include "reports/log_line.h"

namespace {

long peakKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

tarvelo::link::WeightReading readingOf(int i) {
  tarvelo::link::WeightReading reading;
  reading.weight = 20.0 + (i % 1000) * 0.01;
  reading.stable = i % 3 != 0 ? 1 : 0;
  reading.unit = {' ', ' ', 'g', '\0'};
  return reading;
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 100'000;
  const auto file = std::filesystem::temp_directory_path() / "tarvelo-bench-log.txt";
  const char* time = "09:05:07";
  tarvelo::reports::HiddenLog log;
  log.startRun();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < lines; ++i) {
    if (log.WriteLogLine(file, true, time, readingOf(i), ',')) return 1;
  }
  if (log.SaveLog(file)) return 1;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::ifstream in(file, std::ios::binary);
  int checked = 0;
  for (std::string line; std::getline(in, line); ++checked) {
    if (line != tarvelo::reports::logLineText(checked + 1, time, readingOf(checked), ',') + "\r") break;
  }
  std::printf("%d lines: %.1f us per line (each written through to the disk), peak memory %ld kB, "
              "%d of %d lines match what was logged\n",
              lines, seconds / lines * 1e6, peakKilobytes(), checked, lines);
  std::filesystem::remove(file);
  return checked == lines ? 0 : 1;
}
