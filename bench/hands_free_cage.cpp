// Hands-free weighing of a simulated cage: mice per minute against the limit the load
// profile sets (a mouse on the pan, then the pan empty), with 3 s averaging; and the CPU
// of a run armed on an empty pan. Process CPU time, so the figure includes the balance
// link and the ticks.
//   bench_hands_free_cage [mice, default 20] [seconds armed on an empty pan, default 60]
#include <time.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "session/weighing_session.h"
#include "bench/process_cpu_time.h"
#include "tests/support/simulator_process.h"

using namespace tarvelo;

namespace {

constexpr int kCom = 43;
constexpr double kEmptySeconds = 2;
constexpr double kOnPanSeconds = 8;
constexpr int kAveragingSeconds = 3;
constexpr double kThresholdGrams = 2;
constexpr int64_t kEmptyPauseMs = 1000;
constexpr int kStatisticsWindow = 20;
constexpr double kSecondsPerMinute = 60;
constexpr double kMsPerSecond = 1000;
constexpr double kTickSeconds = 0.7;
constexpr int kCheckMs = 100;

// A hands-free run on the simulator with `profile` until `done` says so or `limitMs` passes.
template <typename Done>
void runArmed(const std::string& profile, Done done, int limitMs,
              const std::function<void(session::WeighingSession&)>& started) {
  const testing::SimulatorProcess balance(
      kCom, {"--protocol", "bm", "--profile", profile, "--unstable-every", "0"});
  const weighing::WeighingInputs inputs;
  session::WeighingSession session({[&inputs] { return inputs; }, [] { return false; }, {}, {}},
                               nullptr);
  session::RunStart run;
  run.port = kCom;
  run.statisticsWindow = kStatisticsWindow;
  run.averagingTime = kAveragingSeconds;
  run.handsFree = session::HandsFree{kThresholdGrams, kEmptyPauseMs};
  session.start(run);
  started(session);
  // The event loop waits for its timers as the window's does.
  QEventLoop loop;
  QTimer check;
  QElapsedTimer limit;
  limit.start();
  check.callOnTimeout([&] {
    if (done() || limit.elapsed() >= limitMs) loop.quit();
  });
  check.start(kCheckMs);
  loop.exec();
  session.stop();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const int mice = argc > 1 ? std::atoi(argv[1]) : 20;
  const double idleSeconds = argc > 2 ? std::atof(argv[2]) : 60;
  testing::privateConfigHome();

  // The cage: the first result comes after the first mouse; each later one after a
  // whole profile cycle when the program loses no mouse.
  const double cycle = kEmptySeconds + kOnPanSeconds;
  const std::string cage =
      std::to_string(kEmptySeconds) + ":0:0.02," + std::to_string(kOnPanSeconds) + ":24-32:1.5";
  int results = 0;
  QElapsedTimer sinceFirst;
  runArmed(
      cage, [&] { return results >= mice; },
      static_cast<int>((mice + 2) * cycle * kMsPerSecond),
      [&](session::WeighingSession& session) {
        QObject::connect(&session, &session::WeighingSession::resultRecorded, [&] {
          if (++results == 1) sinceFirst.start();
        });
      });
  const double seconds = sinceFirst.elapsed() / kMsPerSecond;
  const double perMouse = results > 1 ? seconds / (results - 1) : 0;
  std::printf("cage of %d mice (%.0f s on the pan, %.0f s empty, %d s averaging): %d results\n",
              mice, kOnPanSeconds, kEmptySeconds, kAveragingSeconds, results);
  std::printf("  %.2f mice per minute, limit %.2f; loss per mouse %.3f s (a tick is %.1f s)\n",
              perMouse > 0 ? kSecondsPerMinute / perMouse : 0.0, kSecondsPerMinute / cycle,
              perMouse - cycle, kTickSeconds);

  double cpuBefore = 0;
  QElapsedTimer armed;
  runArmed(
      "1:0:0.02", [] { return false; }, static_cast<int>(idleSeconds * kMsPerSecond),
      [&](session::WeighingSession&) {
        cpuBefore = processCpuSeconds();
        armed.start();
      });
  const double cpu = processCpuSeconds() - cpuBefore;
  std::printf("armed on an empty pan for %.0f s: %.3f %% of one core\n",
              armed.elapsed() / kMsPerSecond, 100.0 * cpu / (armed.elapsed() / kMsPerSecond));
  return 0;
}
