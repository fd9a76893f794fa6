#pragma once

#include <array>
#include <cstdint>

namespace tarvelo::link {

// One reading of the balance. It is also the set of places a protocol's Poll
// writes into when it delivers.
struct WeightReading {
  double weight = 0.0;                // already scaled, in the unit below
  std::array<char, 4> unit{};         // at most 3 characters, zero-terminated; may hold blanks
  std::array<char, 16> model{};       // zero-terminated when shorter; empty when not reported
  int32_t serialNumber = 0;           // 0 when not reported
  uint8_t stable = 0;                 // 1 = stable
};

}  // namespace tarvelo::link
