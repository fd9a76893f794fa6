#include "crc16.h"

namespace tarvelo::balance_sim {

namespace {
constexpr std::uint16_t kPolynomial = 0x1021;
constexpr std::uint16_t kInitialValue = 0xFFFF;
constexpr std::uint16_t kTopBit = 0x8000;
constexpr int kBitsPerByte = 8;
}  // namespace

std::uint16_t crc16CcittFalse(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = kInitialValue;
  for (const std::uint8_t byte : bytes) {
    crc = static_cast<std::uint16_t>(crc ^ (byte << kBitsPerByte));
    for (int bit = 0; bit < kBitsPerByte; ++bit) {
      const bool carry = (crc & kTopBit) != 0;
      crc = static_cast<std::uint16_t>(crc << 1);
      if (carry) crc ^= kPolynomial;
    }
  }
  return crc;
}

}  // namespace tarvelo::balance_sim
