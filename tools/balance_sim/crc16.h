#pragma once

#include <cstdint>
#include <span>

namespace tarvelo::balance_sim {

// CRC-16/CCITT-FALSE: polynomial 0x1021, initial 0xFFFF, MSB first, no final XOR.
std::uint16_t crc16CcittFalse(std::span<const std::uint8_t> bytes);

}  // namespace tarvelo::balance_sim
