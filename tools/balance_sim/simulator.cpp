#include "simulator.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "balance_protocol.h"
#include "com_port_link.h"
#include "profile_tags.h"
#include "pty_device.h"
#include "reader_commands.h"
#include "stop_signals.h"
#include "tag_reader_device.h"

namespace tarvelo::balance_sim {

namespace {

using std::chrono::milliseconds;

// With no slave open the master reports POLLHUP at once, so poll cannot wait; sleep instead.
constexpr milliseconds kClosedCheckInterval{10};
// Line speed changes raise no event; look again at least this often.
constexpr milliseconds kSpeedCheckInterval{100};

enum class LineState { Closed, OtherSpeed, Ready };

std::unique_ptr<WeightSource> makeWeightSource(const Options& options, ProfileTags* tags) {
  if (options.weightsFile) return makeFileWeightSource(*options.weightsFile);
  if (!options.profile.empty()) {
    StepBegins stepBegins;
    if (tags != nullptr) stepBegins = [tags](const ProfileStep& step) { tags->stepBegins(step); };
    return makeProfileWeightSource(options.profile, options.seed, std::move(stepBegins));
  }
  return makeNoisyWeightSource(options.weightGrams, options.noiseSdGrams, options.seed);
}

class Simulator {
 public:
  // The tags and the commands, when given, are those of the tag reader.
  Simulator(const Options& options, const PtyDevice& pty, const StopSignals& signals,
            ProfileTags* tags, ReaderCommands* commands)
      : readings_(makeWeightSource(options, tags), options.rules),
        protocol_(makeBalanceProtocol(options, readings_)),
        pty_(pty),
        signals_(signals),
        commands_(commands) {}

  void run() {
    LineState previous = LineState::Closed;
    while (!signals_.stopRequested()) {
      // Read the close flag first: a close right after it still shows on the next round.
      const bool reopened = pty_.slaveWasClosed();
      const LineState state = lineState();
      if (state != previous || reopened) {
        if (state == LineState::Closed || reopened) pty_.dropUnreadOutput();
        protocol_->reset(SimClock::now());
        previous = state;
      }
      switch (state) {
        case LineState::Closed:
          pty_.readInput();
          wait({}, kClosedCheckInterval);
          break;
        case LineState::OtherSpeed:
          wait(pty_.readWatch(), kSpeedCheckInterval);
          pty_.readInput();
          break;
        case LineState::Ready:
          serve();
          break;
      }
    }
  }

 private:
  // Waits for `watched`, a reader command, a stop request or the timeout; then runs the
  // reader commands that came.
  void wait(std::span<const pollfd> watched, milliseconds timeout) {
    std::vector<pollfd> all(watched.begin(), watched.end());
    if (commands_ != nullptr) all.push_back(commands_->watch());
    signals_.wait(all, timeout);
    if (commands_ != nullptr) commands_->runArrived();
  }

  LineState lineState() const {
    if (!pty_.slaveOpen()) return LineState::Closed;
    return pty_.slaveSpeed() == protocol_->lineSpeed() ? LineState::Ready : LineState::OtherSpeed;
  }

  void serve() {
    milliseconds timeout = kSpeedCheckInterval;
    if (const auto due = protocol_->nextStreamTime()) {
      const auto untilDue = std::chrono::ceil<milliseconds>(*due - SimClock::now());
      timeout = std::clamp(untilDue, milliseconds{0}, kSpeedCheckInterval);
    }
    wait(pty_.readWatch(), timeout);
    // The program may have closed the line or changed its speed while we waited.
    if (signals_.stopRequested() || pty_.slaveWasClosed() || lineState() != LineState::Ready) {
      return;
    }

    for (const Frame& frame : protocol_->answer(pty_.readInput())) pty_.writeFrame(frame);
    if (const auto line = protocol_->stream(SimClock::now())) pty_.writeFrame(*line);
  }

  ReadingStream readings_;
  std::unique_ptr<BalanceProtocol> protocol_;
  const PtyDevice& pty_;
  const StopSignals& signals_;
  ReaderCommands* commands_;
};

}  // namespace

int runSimulator(const Options& options) {
  const StopSignals signals;
  const PtyDevice pty;
  std::optional<ComPortLink> comPort;
  if (options.comPort) comPort.emplace(*options.comPort, pty.slavePath());
  std::optional<TagReaderDevice> reader;
  std::optional<ProfileTags> tags;
  std::optional<ReaderCommands> commands;
  if (options.tagReaderCom) {
    reader.emplace(*options.tagReaderCom);
    tags.emplace(options.tags, *reader);
    if (options.tagReaderStdin) commands.emplace(*reader);
  }
  Simulator simulator(options, pty, signals, tags ? &*tags : nullptr,
                      commands ? &*commands : nullptr);

  // The balance's terminal first, then the reader's, for whoever links them to COM ports.
  std::printf("%s\n", pty.slavePath().c_str());
  if (reader) std::printf("%s\n", reader->slavePath().c_str());
  std::fflush(stdout);
  simulator.run();
  return 0;
}

}  // namespace tarvelo::balance_sim
