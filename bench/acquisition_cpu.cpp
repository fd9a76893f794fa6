// CPU time of a weighing run's acquisition while a balance delivers and while the
// driver searches a port where nothing answers; the consumer ticks every 700 ms as
// the window does. Process CPU time, so the figure includes the consumer.
//   bench_acquisition_cpu [seconds per phase, default 60]
#include <fcntl.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "link/acquisition_thread.h"
#include "link/com_port_path.h"
#include "bench/process_cpu_time.h"
#include "tests/support/simulator_process.h"

using namespace tarvelo;
using namespace std::chrono_literals;

namespace {

constexpr int kCom = 42;
constexpr auto kTick = 700ms;

// Runs the acquisition for `seconds`; gives CPU seconds used and readings taken.
std::pair<double, int> measure(double seconds) {
  link::ReadingHandoff handoff;
  link::AcquisitionThread thread(handoff, link::balanceOnSerialPort(), link::systemClock());
  const double cpuBefore = processCpuSeconds();
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  thread.start(kCom, 10.0f, 0.1);
  int readings = 0;
  link::WeightReading reading;
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(kTick);
    handoff.requestReading(true);
    if (handoff.takeReading(reading)) {
      handoff.readingDone();
      ++readings;
    }
  }
  thread.stopAndJoin();
  return {processCpuSeconds() - cpuBefore, readings};
}

void report(const char* phase, double seconds, std::pair<double, int> used) {
  const double perMinuteMs = used.first / seconds * 60.0 * 1000.0;
  std::printf("%-10s CPU %.1f ms per minute = %.3f %% of one core (%d readings taken in %.0f s)\n", phase,
              perMinuteMs, used.first / seconds * 100.0, used.second, seconds);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
  {
    testing::SimulatorProcess sim(kCom, {"--protocol", "bm", "--period-ms", "100"});
    std::this_thread::sleep_for(200ms);
    report("delivering", seconds, measure(seconds));
  }
  {
    // A pseudo-terminal that nobody answers: the driver rotates through every protocol.
    testing::privateConfigHome();
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    std::filesystem::create_directories(link::comPortLinkDir());
    std::filesystem::remove(link::comPortLinkPath(kCom));
    std::filesystem::create_symlink(ptsname(master), link::comPortLinkPath(kCom));
    report("searching", seconds, measure(seconds));
    close(master);
  }
}
