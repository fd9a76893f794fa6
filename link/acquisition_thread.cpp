#include "acquisition_thread.h"

#include "get_w.h"
#include "stability_history.h"
#include "stop_aware_clock.h"

namespace tarvelo::link {

namespace {

constexpr uint32_t kCyclePauseMs = 20;

// GetW with the clock its protocols pause on.
class SerialBalance final : public ReadingSource {
 public:
  SerialBalance(int32_t port, const StopSignal& stop, ProtocolMemory* memory,
                const PortOpenReport& openFailed)
      : clock_(stop),
        driver_(
            port, [&stop, openFailed] { return makeSystemPort(&stop, openFailed); }, clock_,
            &stop, memory) {}

  bool Acquire(WeightReading& places) override { return driver_.Acquire(places); }

 private:
  StopAwareClock clock_;
  GetW driver_;
};

}  // namespace

AcquisitionThread::AcquisitionThread(ReadingHandoff& handoff, SourceFactory makeSource, Clock& clock)
    : handoff_(handoff), makeSource_(std::move(makeSource)), clock_(clock) {}

AcquisitionThread::~AcquisitionThread() { stopAndJoin(); }

void AcquisitionThread::start(int32_t port, float stabilityWindow, double stabilityMaxChange) {
  stopAndJoin();
  handoff_.prepareRun(port, stabilityWindow, stabilityMaxChange);
  thread_ = std::thread(&AcquisitionThread::run, this);
}

void AcquisitionThread::stop() { handoff_.requestStop(); }

void AcquisitionThread::stopAndJoin() {
  if (!thread_.joinable()) return;
  if (handoff_.stopRequested == 0) stop();
  thread_.join();
}

void AcquisitionThread::run() {
  StabilityHistory history(handoff_.stabilityWindow, handoff_.stabilityMaxChange);
  WeightReading places;
  const auto source = makeSource_(handoff_.balancePort, handoff_.stopSignal);
  for (;;) {
    handoff_.stopSignal.waitMs(kCyclePauseMs);
    if (handoff_.stopRequested != 0) return;
    if (!source->Acquire(places)) continue;
    history.apply(places.weight, clock_.tickCount(), handoff_.stabilityCheckOn != 0, places.stable);
    handoff_.publish(places);
  }
}

AcquisitionThread::SourceFactory balanceOnSerialPort(ProtocolMemory* memory,
                                                     PortOpenReport openFailed) {
  return [memory, openFailed = std::move(openFailed)](
             int32_t port, const StopSignal& stop) -> std::unique_ptr<ReadingSource> {
    return std::make_unique<SerialBalance>(port, stop, memory, openFailed);
  };
}

}  // namespace tarvelo::link
