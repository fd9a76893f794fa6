#include "int24.h"

#include <algorithm>
#include <cmath>

namespace tarvelo::balance_sim {

namespace {
constexpr std::uint32_t kInt24Mask = 0xFFFFFF;
}  // namespace

std::int32_t roundToInt24(double scaledReading) {
  const double clamped = std::clamp(std::round(scaledReading), static_cast<double>(kInt24Min),
                                    static_cast<double>(kInt24Max));
  return static_cast<std::int32_t>(clamped);
}

std::uint32_t int24Bits(std::int32_t value) {
  return static_cast<std::uint32_t>(value) & kInt24Mask;
}

}  // namespace tarvelo::balance_sim
