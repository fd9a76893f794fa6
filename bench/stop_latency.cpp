// Time from a stop request to the end of the acquisition thread, stopped at spread
// moments of a run so the stop falls into every phase: the BM search on a silent
// line, the TSK queries and their pauses, the B handshake, identification and
// probe pauses, and the delivery of readings.
//   bench_stop_latency [stops per line, default 12]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/acquisition_thread.h"
#include "tests/support/pseudo_terminal.h"
#include "tests/support/simulator_process.h"

using namespace tarvelo;
using namespace std::chrono_literals;

namespace {

constexpr int kCom = 43;
// Stops fall between 0 and this long after the start, which covers a whole search
// turn of every protocol on a silent line.
constexpr auto kSpread = 6500ms;

double stopMs(std::chrono::milliseconds after) {
  link::ReadingHandoff handoff;
  link::AcquisitionThread thread(handoff, link::balanceOnSerialPort(), link::systemClock());
  thread.start(kCom, 10.0f, 0.1);
  std::this_thread::sleep_for(after);
  const auto before = std::chrono::steady_clock::now();
  thread.stopAndJoin();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
}

void measure(const char* label, int stops) {
  double worst = 0;
  double total = 0;
  for (int i = 0; i < stops; ++i) {
    // An odd step, so the moments do not line up with the protocols' own periods.
    const auto after = std::chrono::milliseconds((kSpread.count() * (2 * i + 1)) / (2 * stops) + 7 * i);
    const double ms = stopMs(after);
    worst = std::max(worst, ms);
    total += ms;
  }
  std::printf("stop to thread end, %-22s worst %.1f ms, mean %.1f ms over %d stops\n", label, worst,
              total / stops, stops);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int stops = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
  {
    testing::PseudoTerminal silent(kCom);
    measure("silent line:", stops);
  }
  for (const char* protocol : {"bm", "tsk", "b"}) {
    testing::SimulatorProcess sim(kCom, {"--protocol", protocol});
    measure((std::string(protocol) + " balance:").c_str(), stops);
  }
}
