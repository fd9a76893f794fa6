#pragma once

#include <string>

namespace tarvelo::weighing {

// General form of a number: the shortest text with up to 15 significant digits and
// no trailing zeros; exponent notation ("1,5E-6", "1E20") only below 0,00001 in
// magnitude or with more than 15 integer digits.
std::string generalNumberText(double value, char decimalSeparator);

}  // namespace tarvelo::weighing
