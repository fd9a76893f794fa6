#pragma once

// B balance frames (19200 baud, 8 data bits, no parity, 1 stop bit).
//
// Every request byte is written alone and answered by one byte, so an exchange of
// n bytes leaves n answer bytes. A valid 8-byte answer has three zero window sums
// (bytes 0-4, 1-5 and 2-6, modulo 256); the sums are the frame's only check, and a
// frame that fails them never becomes a reading.
//   Weight answer a0..a7 to "Simple" 'G' 01:
//     a3      status: bits 0-2 = e, weight = reading × 10^(e-6); bits 4-6 = unit index;
//             bit 7 set = stable
//     a4..a6  signed 24-bit reading, most significant byte first
//   Identity answer b0..b7 to "Simple" 00 01 (after "Simple" '|' 01):
//     b3 model code, b4..b6 unsigned 24-bit serial number, b7 must be 01
//   Probe answer c0..c15 to "Simple" A5 01 "Simple" 00 00:
//     c8..c14 pass the window sums and c11 c12 = 'S' 'q'

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "frame_result.h"

namespace tarvelo::link {

inline constexpr std::size_t kBFrameSize = 8;
inline constexpr std::size_t kBProbeSize = 16;

// Weight query result codes.
inline constexpr int kBOk = 0;
inline constexpr int kBReadFailed = 1;
inline constexpr int kBBadSums = 2;

// The three window sums of the 7 bytes from `first` on are all zero.
bool bWindowSumsZero(std::span<const uint8_t> bytes, std::size_t first);

FrameResult decodeBWeight(std::span<const uint8_t, kBFrameSize> answer);

struct BIdentity {
  int modelCode = -1;
  int32_t serialNumber = 0;
};
std::optional<BIdentity> decodeBIdentity(std::span<const uint8_t, kBFrameSize> answer);

enum class BProbeAnswer { Recognised, BadSums, Unrecognised };
BProbeAnswer checkBProbeAnswer(std::span<const uint8_t, kBProbeSize> answer);

// Model name from the model code, e.g. 0x85 gives "KM7391M-1".
std::string bModelName(int modelCode);

// "g", "ct", "%", "pcs", "mg", "kg", "oz", "ozt".
const char* bUnitText(int unitIndex);

}  // namespace tarvelo::link
