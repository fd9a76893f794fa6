#pragma once

#include <cstdint>

namespace tarvelo::link {

// value × 10^exponent, correctly rounded for the exponents a balance uses
// (dividing by an exact power of ten, never multiplying by an inexact 0.001).
double scaleByPowerOfTen(int32_t value, int exponent);

}  // namespace tarvelo::link
