// Hands-free weighing of a simulated cage of tagged mice: mice per minute against the limit
// the load profile sets (a mouse on the pan, then the pan empty), with 3 s averaging; how
// many results the tag reader's tags named rightly and how long from a tag read to the
// result it names; and the CPU of a run armed on an empty pan. Process CPU time, so the
// figure includes the balance link and the ticks.
//   bench_hands_free_cage [mice, default 20] [seconds armed on an empty pan, default 60]
#include <time.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <string>
#include <vector>

#include "session/tag_reader_link.h"
#include "session/weighing_session.h"
#include "bench/process_cpu_time.h"
#include "tests/support/simulator_process.h"

using namespace tarvelo;

namespace {

constexpr int kCom = 43;
constexpr int kReaderCom = 44;
constexpr int kReaderBaud = 9600;
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
// A number as the simulator reads it, whatever the locale: std::to_string writes "2,000000"
// under a Russian one.
std::string plainText(double value) {
  std::array<char, 32> buffer{};
  return {buffer.data(), std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr};
}

// With `tags`, the simulator reads them on a reader as each mouse goes onto the pan.
template <typename Done>
void runArmed(const std::string& profile, Done done, int limitMs,
              const std::function<void(session::WeighingSession&, session::TagReaderLink&)>& started,
              const std::string& tags = {}) {
  std::vector<std::string> options{"--protocol", "bm", "--profile", profile, "--unstable-every", "0"};
  if (!tags.empty()) options.insert(options.end(), {"--tag-reader-com", std::to_string(kReaderCom), "--tags", tags});
  const testing::SimulatorProcess balance(kCom, options);
  const weighing::WeighingInputs inputs;
  session::WeighingSession session({[&inputs] { return inputs; }, [] { return false; }, {}, {}},
                               nullptr);
  session::TagReaderLink reader;
  QObject::connect(&reader, &session::TagReaderLink::tagRead, &session,
                   [&session](const QString& number) { session.tagRead(number.toStdString()); });
  if (!tags.empty()) reader.read(kReaderCom, kReaderBaud);
  session::RunStart run;
  run.port = kCom;
  run.statisticsWindow = kStatisticsWindow;
  run.averagingTime = kAveragingSeconds;
  run.handsFree = session::HandsFree{kThresholdGrams, kEmptyPauseMs};
  session.start(run);
  started(session, reader);
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
  const std::string cage = plainText(kEmptySeconds) + ":0:0.02," + plainText(kOnPanSeconds) + ":24-32:1.5";
  std::vector<std::string> tags;
  std::string tagList;
  for (int mouse = 0; mouse < mice; ++mouse) {
    tags.push_back(std::to_string(985000000100000 + mouse));
    tagList += (tagList.empty() ? "" : ",") + tags.back();
  }
  int results = 0;
  int named = 0;
  QElapsedTimer sinceFirst;
  QElapsedTimer clock;
  clock.start();
  std::vector<qint64> tagTimes;  // when each tag came, by result
  std::vector<double> tagToResultMs;
  runArmed(
      cage, [&] { return results >= mice; },
      static_cast<int>((mice + 2) * cycle * kMsPerSecond),
      [&](session::WeighingSession& session, session::TagReaderLink& reader) {
        QObject::connect(&session, &session::WeighingSession::resultRecorded, [&] {
          if (++results == 1) sinceFirst.start();
          const weighing::MeasurementStore& store = session.measurements();
          const std::string& animal = store.sgRes.cell(weighing::ResultAnimal, store.selectedResultRow);
          if (results <= mice && animal == tags[static_cast<size_t>(results - 1)]) ++named;
          if (static_cast<int>(tagTimes.size()) >= results)
            tagToResultMs.push_back(static_cast<double>(clock.elapsed() - tagTimes[static_cast<size_t>(results - 1)]));
        });
        QObject::connect(&reader, &session::TagReaderLink::tagRead, [&] { tagTimes.push_back(clock.elapsed()); });
      },
      tagList);
  const double seconds = sinceFirst.elapsed() / kMsPerSecond;
  const double perMouse = results > 1 ? seconds / (results - 1) : 0;
  std::printf("cage of %d mice (%.0f s on the pan, %.0f s empty, %d s averaging): %d results\n",
              mice, kOnPanSeconds, kEmptySeconds, kAveragingSeconds, results);
  std::printf("  %.2f mice per minute, limit %.2f; loss per mouse %.3f s (a tick is %.1f s)\n",
              perMouse > 0 ? kSecondsPerMinute / perMouse : 0.0, kSecondsPerMinute / cycle,
              perMouse - cycle, kTickSeconds);
  std::sort(tagToResultMs.begin(), tagToResultMs.end());
  std::printf("  tags: %d of %d results named by their mouse's tag; from a tag read to its result: median %.2f s,"
              " longest %.2f s (the weighing's own %d s averaging included)\n",
              named, results, tagToResultMs.empty() ? 0.0 : tagToResultMs[tagToResultMs.size() / 2] / kMsPerSecond,
              tagToResultMs.empty() ? 0.0 : tagToResultMs.back() / kMsPerSecond, kAveragingSeconds);

  double cpuBefore = 0;
  QElapsedTimer armed;
  runArmed(
      "1:0:0.02", [] { return false; }, static_cast<int>(idleSeconds * kMsPerSecond),
      [&](session::WeighingSession&, session::TagReaderLink&) {
        cpuBefore = processCpuSeconds();
        armed.start();
      });
  const double cpu = processCpuSeconds() - cpuBefore;
  std::printf("armed on an empty pan for %.0f s: %.3f %% of one core\n",
              armed.elapsed() / kMsPerSecond, 100.0 * cpu / (armed.elapsed() / kMsPerSecond));
  return 0;
}
