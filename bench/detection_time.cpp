// Time from the start of a run to the first delivered reading, for each protocol,
// against the simulator on a pseudo-terminal: with a fresh profile (nothing
// remembered), with the balance's protocol remembered for the port, and with a
// wrong protocol remembered (B while a TSK balance is attached: the longest detour).
// Each figure is the worst of `runs` runs.
//   bench_detection_time [runs, default 3]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "link/acquisition_thread.h"
#include "link/protocol_memory.h"
#include "tests/support/simulator_process.h"

using namespace tarvelo;
using namespace std::chrono_literals;

namespace {

constexpr int kCom = 41;
constexpr auto kGiveUp = 120s;

// A memory that recalls one protocol for every port and forgets what it is told.
struct FixedMemory final : link::ProtocolMemory {
  std::optional<int> protocol;
  std::optional<int> recall(int) override { return protocol; }
  void remember(int, int) override {}
};

double secondsToFirstReading(const std::string& balance, std::optional<int> remembered) {
  testing::SimulatorProcess sim(kCom, {"--protocol", balance});
  FixedMemory memory;
  memory.protocol = remembered;
  link::ReadingHandoff handoff;
  link::AcquisitionThread thread(handoff, link::balanceOnSerialPort(&memory), link::systemClock());
  const auto start = std::chrono::steady_clock::now();
  thread.start(kCom, 10.0f, 0.1);
  link::WeightReading reading;
  while (!handoff.takeReading(reading)) {
    if (std::chrono::steady_clock::now() - start > kGiveUp) return -1;
    std::this_thread::sleep_for(5ms);
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void report(const char* label, const std::string& balance, std::optional<int> remembered, int runs) {
  double worst = 0;
  for (int i = 0; i < runs; ++i) worst = std::max(worst, secondsToFirstReading(balance, remembered));
  std::printf("first reading, %-28s %-3s balance: %.2f s\n", label, balance.c_str(), worst);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const struct {
    const char* balance;
    int protocol;
  } balances[] = {{"bm", link::ProtocolBm}, {"tsk", link::ProtocolTsk}, {"b", link::ProtocolB}};
  for (const auto& b : balances) report("fresh profile,", b.balance, std::nullopt, runs);
  for (const auto& b : balances) report("protocol remembered,", b.balance, b.protocol, runs);
  report("B remembered,", "tsk", link::ProtocolB, runs);
}
