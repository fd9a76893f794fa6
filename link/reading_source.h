#pragma once

#include "weight_reading.h"

namespace tarvelo::link {

// Where the acquisition thread takes its readings from.
class ReadingSource {
 public:
  virtual ~ReadingSource() = default;
  // True when a new reading was written into the places.
  virtual bool Acquire(WeightReading& places) = 0;
};

}  // namespace tarvelo::link
