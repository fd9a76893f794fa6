#pragma once

#include <array>
#include <cstdint>

#include "reading.h"

namespace tarvelo::balance_sim {

inline constexpr std::size_t kTskFrameBytes = 8;
using TskFrame = std::array<std::uint8_t, kTskFrameBytes>;

// The weight request: 00 55 followed by its CRC-16, high byte first.
inline constexpr std::array<std::uint8_t, 4> kTskWeightRequest{0x00, 0x55, 0x17, 0x5F};

// Reply frame: 00, reading (24-bit, LSB first), decimals, unit/status flags, CRC-16 (MSB first).
TskFrame encodeTskFrame(const Reading& reading, int displayDecimals);

}  // namespace tarvelo::balance_sim
