#include "reading_handoff.h"

namespace tarvelo::link {

void ReadingHandoff::prepareRun(int32_t port, float window, double maxChange) {
  balancePort = port;
  readingRequested = 1;
  readingReady = 0;
  stopRequested = 0;
  stopSignal.clear();
  stabilityWindow = window;
  stabilityMaxChange = maxChange;
}

void ReadingHandoff::requestStop() {
  readingRequested = 0;
  stopRequested = 1;
  stopSignal.raise();
}

void ReadingHandoff::requestReading(bool stabilityCheck) {
  const std::lock_guard lock(readingLock);
  readingRequested = 1;
  stabilityCheckOn = stabilityCheck ? 1 : 0;
}

bool ReadingHandoff::takeReading(WeightReading& copy, uint64_t* sequence) {
  if (readingReady == 0) return false;
  const std::lock_guard lock(readingLock);
  copy = weightReading;
  if (sequence != nullptr) *sequence = readingSequence;
  return true;
}

void ReadingHandoff::readingDone() {
  const std::lock_guard lock(readingLock);
  readingRequested = 1;
  readingReady = 0;
}

bool ReadingHandoff::publish(const WeightReading& reading) {
  const std::lock_guard lock(readingLock);
  if (readingRequested == 0) return false;
  readingReady = 1;
  readingRequested = 0;
  weightReading = reading;
  ++readingSequence;
  return true;
}

}  // namespace tarvelo::link
