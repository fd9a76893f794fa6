#pragma once

#include <string>
#include <string_view>

namespace tarvelo::weighing {

// The number texts of the weighing, with the system's decimal separator. Every form
// rounds the value's 15-significant-digit text half away from zero to the digits it
// shows, and a value that shows as zero has no minus sign.

inline constexpr int kGeneralDigits = 15;
inline constexpr int kStatisticsDigits = 6;
inline constexpr int kFixedPrecision = 7;

// General form: the shortest text with up to `digits` significant digits and no
// trailing zeros; exponent notation ("1,5E-6", "1E20") only below 0,00001 in
// magnitude or with more than `digits` integer digits.
std::string generalNumberText(double value, char decimalSeparator, int digits = kGeneralDigits);

// Fixed-d form: `decimals` decimals after the value is rounded to 7 significant
// digits (123456,789 with d = 2 gives "123456,80"); exponent notation when the
// integer part has more than 7 digits.
std::string fixedNumberText(double value, int decimals, char decimalSeparator);

// The statistics cells: general form with 6 significant digits.
std::string statisticsNumberText(double value, char decimalSeparator);

std::string integerText(long long value);

// Whole milliseconds of `seconds`, the rest dropped: 2,0006 s is 2000 ms, and 2,001 s is
// 2001 ms although its double lies just below. For values up to 1E12 seconds.
long long truncatedMilliseconds(double seconds);

// Reads a number typed with "," or "." as the separator (leading and trailing
// blanks allowed, an exponent too). Throws ConversionError naming the text.
double parseNumber(std::string_view text);
// Reads a whole number. Throws ConversionError naming the text.
int parseInteger(std::string_view text);

}  // namespace tarvelo::weighing
