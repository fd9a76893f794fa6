#pragma once

// TSK balance frames (9600 baud, 8 data bits, even parity, 1 stop bit).
//
// Request, 4 bytes: 00 55 17 5F (the last two are the CRC of the first two).
// Reply, 8 bytes f0..f7:
//   f0      not used
//   f1..f3  signed 24-bit reading, least significant byte first (f3 bit 7 is the sign)
//   f4      bits 0-2: decimal places d; d = 7 means the balance has no valid weight
//   f5      bit 1: unit "pcs", bit 2: "t", bit 3: "kg" (a higher bit overrides a lower);
//           bit 5: set while the balance is not settled
//   f6, f7  CRC-16 of f0..f5, high byte first
// CRC-16 is the CCITT-FALSE variant: polynomial 0x1021, initial 0xFFFF, most
// significant bit first, no reflection, no final XOR; a frame is valid when the CRC
// over all eight bytes is zero. A frame that fails it never becomes a reading.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "frame_result.h"

namespace tarvelo::link {

inline constexpr std::array<uint8_t, 4> kTskRequest{0x00, 0x55, 0x17, 0x5F};
inline constexpr std::size_t kTskReplySize = 8;

// Query result codes.
inline constexpr int kTskOk = 0;
inline constexpr int kTskBadCrc = 2;
inline constexpr int kTskNoWeight = 3;
inline constexpr int kTskNoReply = 4;

uint16_t crc16CcittFalse(std::span<const uint8_t> bytes);

// Checks and decodes one reply: kTskOk, kTskBadCrc or kTskNoWeight.
FrameResult decodeTskReply(std::span<const uint8_t, kTskReplySize> reply);

// "pcs", "t", "kg"; empty for a frame that names no unit.
const char* tskUnitText(int unitIndex);

}  // namespace tarvelo::link
