#include "tsk_encoder.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "crc16.h"
#include "int24.h"

namespace tarvelo::balance_sim {

namespace {

constexpr std::uint8_t kFrameStart = 0x00;
constexpr std::uint8_t kUnitKgFlag = 0x08;
constexpr std::uint8_t kUnstableFlag = 0x20;
constexpr std::uint8_t kCorruptCrcMask = 0x01;
constexpr int kMaxDecimals = 6;
constexpr int kGramDecimalsPerKg = 3;
constexpr std::size_t kCrcCoveredBytes = 6;

constexpr std::uint8_t byteAt(std::uint32_t value, int index) {
  return static_cast<std::uint8_t>(value >> (8 * index));
}

}  // namespace

TskFrame encodeTskFrame(const Reading& reading, int displayDecimals) {
  // The balance reports kilograms; keep the grams resolution it shows where 24 bits allow.
  const int decimals = std::min(kMaxDecimals, displayDecimals + kGramDecimalsPerKg);
  const double kilograms = reading.grams / 1000.0;
  const std::uint32_t bits = int24Bits(roundToInt24(kilograms * std::pow(10.0, decimals)));

  TskFrame frame{};
  frame[0] = kFrameStart;
  frame[1] = byteAt(bits, 0);
  frame[2] = byteAt(bits, 1);
  frame[3] = byteAt(bits, 2);
  frame[4] = static_cast<std::uint8_t>(decimals);
  frame[5] = reading.stable ? kUnitKgFlag : kUnitKgFlag | kUnstableFlag;
  const std::uint16_t crc = crc16CcittFalse(std::span(frame).first(kCrcCoveredBytes));
  frame[6] = static_cast<std::uint8_t>(crc >> 8);
  frame[7] = static_cast<std::uint8_t>(crc);
  if (reading.corrupt) frame[7] ^= kCorruptCrcMask;
  return frame;
}

}  // namespace tarvelo::balance_sim
