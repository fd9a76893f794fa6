#include "b_balance_encoder.h"

#include <cmath>

#include "int24.h"

namespace tarvelo::balance_sim {

namespace {

constexpr std::uint8_t kProbeHead = 0x53;  // 'S'
constexpr std::uint8_t kProbeMark = 0x71;  // 'q'
constexpr std::uint8_t kProbeEchoHigh = 0x3C;
constexpr std::uint8_t kProbeEchoLow = 0xA1;
constexpr std::uint8_t kProbeTail = 0x00;
constexpr std::uint8_t kIdentityTail = 0x01;
constexpr std::uint8_t kWeightTail = 0x00;
constexpr std::uint8_t kStableFlag = 0x80;
constexpr std::uint8_t kCorruptCheckMask = 0x01;
constexpr int kExponentBias = 6;

// Every answer has the layout c0 c1 k h v0 v1 v2 t: c0,c1 repeat v1,v2 and the check byte k
// makes c0+c1+k+h+v0 vanish modulo 256.
BFrame assembleFrame(std::uint8_t head, std::array<std::uint8_t, 3> value, std::uint8_t tail) {
  BFrame frame{};
  frame[3] = head;
  frame[4] = value[0];
  frame[5] = value[1];
  frame[6] = value[2];
  frame[0] = frame[5];
  frame[1] = frame[6];
  frame[2] = static_cast<std::uint8_t>(-(frame[0] + frame[1] + frame[3] + frame[4]));
  frame[7] = tail;
  return frame;
}

std::array<std::uint8_t, 3> bigEndian24(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value)};
}

}  // namespace

BFrame encodeBProbeFrame() {
  return assembleFrame(kProbeHead, {kProbeMark, kProbeEchoHigh, kProbeEchoLow}, kProbeTail);
}

BFrame encodeBIdentityFrame(std::uint8_t modelCode, std::uint32_t serialNumber) {
  return assembleFrame(modelCode, bigEndian24(serialNumber), kIdentityTail);
}

BFrame encodeBWeightFrame(const Reading& reading, int displayDecimals) {
  // Weight = reading x 10^(e-6) g; the unit index in bits 4-6 stays 0 (grams).
  const auto exponent = static_cast<std::uint8_t>(kExponentBias - displayDecimals);
  const std::uint8_t status = reading.stable ? (exponent | kStableFlag) : exponent;
  const std::int32_t scaled = roundToInt24(reading.grams * std::pow(10.0, displayDecimals));
  BFrame frame = assembleFrame(status, bigEndian24(int24Bits(scaled)), kWeightTail);
  if (reading.corrupt) frame[2] ^= kCorruptCheckMask;
  return frame;
}

}  // namespace tarvelo::balance_sim
