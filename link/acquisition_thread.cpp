#include "acquisition_thread.h"

#include "get_w.h"
#include "stability_history.h"

namespace tarvelo::link {

namespace {

constexpr uint32_t kCyclePauseMs = 20;

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
    clock_.sleepMs(kCyclePauseMs);
    if (handoff_.stopRequested != 0) return;
    if (!source->Acquire(places)) continue;
    history.apply(places.weight, clock_.tickCount(), handoff_.stabilityCheckOn != 0, places.stable);
    handoff_.publish(places);
  }
}

AcquisitionThread::SourceFactory balanceOnSerialPort() {
  return [](int32_t port, const StopSignal& stop) -> std::unique_ptr<ReadingSource> {
    return std::make_unique<GetW>(
        port, [&stop] { return makeSystemPort(&stop); }, systemClock(), &stop);
  };
}

}  // namespace tarvelo::link
