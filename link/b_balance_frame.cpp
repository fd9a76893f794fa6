#include "b_balance_frame.h"

#include "decimal_scale.h"

namespace tarvelo::link {

namespace {

constexpr std::size_t kWindowLength = 5;
constexpr std::size_t kWindowCount = 3;
constexpr uint8_t kExponentMask = 0x07;
constexpr int kExponentOffset = 6;
constexpr int kUnitShift = 4;
constexpr uint8_t kUnitMask = 0x07;
constexpr uint8_t kStableBit = 0x80;
constexpr uint8_t kIdentityEnd = 0x01;
constexpr std::size_t kProbeFirst = 8;
constexpr uint8_t kProbeMarkS = 0x53;  // 'S'
constexpr uint8_t kProbeMarkQ = 0x71;  // 'q'

constexpr std::array<const char*, 8> kUnitTexts{"g", "ct", "%", "pcs", "mg", "kg", "oz", "ozt"};
constexpr std::array<const char*, 8> kModelNames{"KM42",  "KM305",  "KM417", "KM529",
                                                 "KM683", "KM7391", "KM846", "KM9052"};
// Model code bits.
constexpr int kModelTableMask = 0x07;
constexpr int kModelBitC = 0x08;
constexpr int kModelBitA = 0x10;
constexpr int kModelBitK = 0x20;
constexpr int kModelBitM = 0x80;
constexpr int kFirstLargeModel = 4;

int32_t signed24BigEndian(uint8_t high, uint8_t mid, uint8_t low) {
  const int32_t raw = (high << 16) | (mid << 8) | low;
  return (high & 0x80) != 0 ? raw - 0x1000000 : raw;
}

}  // namespace

bool bWindowSumsZero(std::span<const uint8_t> bytes, std::size_t first) {
  if (bytes.size() < first + kWindowLength + kWindowCount - 1) return false;
  for (std::size_t window = 0; window < kWindowCount; ++window) {
    uint8_t sum = 0;
    for (std::size_t i = 0; i < kWindowLength; ++i) sum += bytes[first + window + i];
    if (sum != 0) return false;
  }
  return true;
}

FrameResult decodeBWeight(std::span<const uint8_t, kBFrameSize> a) {
  FrameResult result;
  if (!bWindowSumsZero(a, 0)) {
    result.code = kBBadSums;
    return result;
  }
  const int exponent = (a[3] & kExponentMask) - kExponentOffset;
  result.weight = scaleByPowerOfTen(signed24BigEndian(a[4], a[5], a[6]), exponent);
  result.unitIndex = (a[3] >> kUnitShift) & kUnitMask;
  result.stable = (a[3] & kStableBit) != 0 ? 1 : 0;
  result.code = kBOk;
  return result;
}

std::optional<BIdentity> decodeBIdentity(std::span<const uint8_t, kBFrameSize> b) {
  if (b[7] != kIdentityEnd || !bWindowSumsZero(b, 0)) return std::nullopt;
  return BIdentity{b[3], (b[4] << 16) | (b[5] << 8) | b[6]};
}

BProbeAnswer checkBProbeAnswer(std::span<const uint8_t, kBProbeSize> c) {
  if (!bWindowSumsZero(c, kProbeFirst)) return BProbeAnswer::BadSums;
  if (c[11] != kProbeMarkS || c[12] != kProbeMarkQ) return BProbeAnswer::Unrecognised;
  return BProbeAnswer::Recognised;
}

std::string bModelName(int modelCode) {
  std::string name = kModelNames[static_cast<std::size_t>(modelCode & kModelTableMask)];
  if ((modelCode & kModelBitM) != 0) name += "M";
  name += (modelCode & kModelTableMask) < kFirstLargeModel ? "-01" : "-1";
  if ((modelCode & kModelBitK) != 0) name += "K";
  if ((modelCode & kModelBitA) != 0) name += "A";
  if ((modelCode & kModelBitC) != 0) name += "C";
  return name;
}

const char* bUnitText(int unitIndex) {
  if (unitIndex < 0 || unitIndex >= static_cast<int>(kUnitTexts.size())) return "";
  return kUnitTexts[static_cast<std::size_t>(unitIndex)];
}

}  // namespace tarvelo::link
