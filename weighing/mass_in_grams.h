#pragma once

#include <string_view>

namespace tarvelo::weighing {

// `weight` in the balance's `unit` as grams, for rules set in grams. A unit that is no
// mass ("pcs", "%") or that is not known leaves the number as it is.
double massInGrams(double weight, std::string_view unit);

}  // namespace tarvelo::weighing
