// Time from the start of a run to the first delivered reading, for each protocol,
// against the simulator on a pseudo-terminal.
//   bench_detection_time [tsk|b|bm ...]
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "link/acquisition_thread.h"
#include "tests/support/simulator_process.h"

using namespace tarvelo;
using namespace std::chrono_literals;

namespace {

constexpr int kCom = 41;
constexpr auto kGiveUp = 120s;

double secondsToFirstReading(const std::string& protocol) {
  testing::SimulatorProcess sim(kCom, {"--protocol", protocol});
  link::ReadingHandoff handoff;
  link::AcquisitionThread thread(handoff, link::balanceOnSerialPort(), link::systemClock());
  const auto start = std::chrono::steady_clock::now();
  thread.start(kCom, 10.0f, 0.1);
  link::WeightReading reading;
  while (!handoff.takeReading(reading)) {
    if (std::chrono::steady_clock::now() - start > kGiveUp) return -1;
    std::this_thread::sleep_for(5ms);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> protocols(argv + 1, argv + argc);
  if (protocols.empty()) protocols = {"bm", "tsk", "b"};
  for (const auto& protocol : protocols) {
    const double seconds = secondsToFirstReading(protocol);
    std::printf("first reading, %-3s: %.2f s\n", protocol.c_str(), seconds);
    std::fflush(stdout);
  }
}
