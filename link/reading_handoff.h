#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "stop_signal.h"
#include "weight_reading.h"

namespace tarvelo::link {

// What the acquisition thread and the user-interface side share. readingLock is
// held only for flag changes and copies, never during serial input or output.
//
// Hand-off states (readingRequested, readingReady): (1, 0) the consumer waits; the
// producer's next reading moves to (0, 1); the consumer takes it and returns to
// (1, 0). In (0, 1) nothing is published, so the snapshot cannot change under the
// consumer. The stop routine moves to (0, x), where nothing is published.
struct ReadingHandoff {
  std::mutex readingLock;
  std::atomic<uint8_t> readingRequested{0};
  std::atomic<uint8_t> readingReady{0};
  std::atomic<uint8_t> stopRequested{0};
  std::atomic<int32_t> stabilityCheckOn{0};
  // Written by the starter before the thread starts, not changed while it runs.
  int32_t balancePort = 1;
  float stabilityWindow = 10.0f;
  double stabilityMaxChange = 0.1;
  WeightReading weightReading;  // the published reading, under readingLock
  uint64_t readingSequence = 0; // counts the readings published, under readingLock
  StopSignal stopSignal;        // wakes the thread's port waits when a stop is requested

  // Starter: the flags of a new run.
  void prepareRun(int32_t port, float window, double maxChange);
  // Stop routine: no more requests, and the thread must end.
  void requestStop();

  // Consumer, at every tick: ask for the next reading.
  void requestReading(bool stabilityCheck);
  // Consumer: a copy of the published reading when one is ready and not yet taken,
  // and its number: a copy taken again before a new reading came has the same number.
  bool takeReading(WeightReading& copy, uint64_t* sequence = nullptr);
  // Consumer, when it has finished with the reading: ask for the next one.
  void readingDone();

  // Producer: publishes the reading when one was requested. True when it was.
  bool publish(const WeightReading& reading);
};

}  // namespace tarvelo::link
