#pragma once

#include <cstdint>

namespace tarvelo::balance_sim {

// Both binary balances carry readings as signed 24-bit two's complement numbers.
inline constexpr std::int32_t kInt24Max = 0x7FFFFF;
inline constexpr std::int32_t kInt24Min = -0x800000;

// Rounds a reading already scaled to display units and clamps it to what 24 bits hold.
std::int32_t roundToInt24(double scaledReading);

// The low 24 bits of the two's complement form.
std::uint32_t int24Bits(std::int32_t value);

}  // namespace tarvelo::balance_sim
