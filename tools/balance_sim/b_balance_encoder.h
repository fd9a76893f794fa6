#pragma once

#include <array>
#include <cstdint>

#include "reading.h"

namespace tarvelo::balance_sim {

inline constexpr std::size_t kBFrameBytes = 8;
using BFrame = std::array<std::uint8_t, kBFrameBytes>;

// Answer to the probe command: the balance proves it speaks the "Simple" exchange.
BFrame encodeBProbeFrame();

// Answer to the identity command: model code and 24-bit serial number.
BFrame encodeBIdentityFrame(std::uint8_t modelCode, std::uint32_t serialNumber);

// A weighing in grams with `displayDecimals` (0..6) digits after the point.
BFrame encodeBWeightFrame(const Reading& reading, int displayDecimals);

}  // namespace tarvelo::balance_sim
