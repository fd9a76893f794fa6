#include "decimal_scale.h"

namespace tarvelo::link {

double scaleByPowerOfTen(int32_t value, int exponent) {
  double power = 1.0;
  for (int i = 0; i < (exponent < 0 ? -exponent : exponent); ++i) power *= 10.0;
  return exponent < 0 ? value / power : value * power;
}

}  // namespace tarvelo::link
