#include "tsk_frame.h"

#include "decimal_scale.h"

namespace tarvelo::link {

namespace {

constexpr uint16_t kCrcPolynomial = 0x1021;
constexpr uint16_t kCrcInitial = 0xFFFF;
constexpr uint8_t kDecimalsMask = 0x07;
constexpr int kDecimalsNoWeight = 7;
constexpr uint8_t kUnstableBit = 0x20;
// f5 unit bits, lowest first; a higher bit overrides a lower one.
constexpr std::array<uint8_t, 3> kUnitBits{0x02, 0x04, 0x08};
constexpr std::array<const char*, 3> kUnitTexts{"pcs", "t", "kg"};

int32_t signed24LittleEndian(uint8_t low, uint8_t mid, uint8_t high) {
  const int32_t raw = low | (mid << 8) | (high << 16);
  return (high & 0x80) != 0 ? raw - 0x1000000 : raw;
}

}  // namespace

uint16_t crc16CcittFalse(std::span<const uint8_t> bytes) {
  uint16_t crc = kCrcInitial;
  for (const uint8_t byte : bytes) {
    crc ^= static_cast<uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? static_cast<uint16_t>((crc << 1) ^ kCrcPolynomial)
                                : static_cast<uint16_t>(crc << 1);
    }
  }
  return crc;
}

FrameResult decodeTskReply(std::span<const uint8_t, kTskReplySize> f) {
  FrameResult result;
  if (crc16CcittFalse(f) != 0) {
    result.code = kTskBadCrc;
    return result;
  }
  const int decimals = f[4] & kDecimalsMask;
  if (decimals == kDecimalsNoWeight) {
    result.code = kTskNoWeight;
    return result;
  }
  result.weight = scaleByPowerOfTen(signed24LittleEndian(f[1], f[2], f[3]), -decimals);
  result.stable = (f[5] & kUnstableBit) != 0 ? 0 : 1;
  for (std::size_t i = 0; i < kUnitBits.size(); ++i) {
    if ((f[5] & kUnitBits[i]) != 0) result.unitIndex = static_cast<int>(i);
  }
  result.code = kTskOk;
  return result;
}

const char* tskUnitText(int unitIndex) {
  if (unitIndex < 0 || unitIndex >= static_cast<int>(kUnitTexts.size())) return "";
  return kUnitTexts[static_cast<std::size_t>(unitIndex)];
}

}  // namespace tarvelo::link
