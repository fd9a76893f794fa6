#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "conversion_error.h"

namespace tarvelo::weighing {

namespace {

constexpr int kSmallestFixedExponent = -5;  // 0,00001

// A decimal number: significant digits without trailing zeros (one "0" for zero)
// and the decimal exponent of the first digit. Zero by default.
struct Decimal {
  bool negative = false;
  std::string digits = std::string(1, '0');
  int exponent = 0;

  bool isZero() const { return digits == "0"; }
};

// The value's 15-significant-digit text. Every form rounds these digits rather than
// the binary value, so 38,705 shows as "38,71" although its double lies just below.
Decimal toDecimal(double value) {
  Decimal decimal;
  if (value == 0.0) return decimal;
  decimal.digits.clear();
  // to_chars, unlike printf, ignores the C library's locale, so the point stays a point
  // after a program's setlocale(LC_ALL, "") gave it the system's decimal comma.
  char buffer[64] = {};
  std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::scientific,
                kGeneralDigits - 1);
  const char* p = buffer;
  if (*p == '-') {
    decimal.negative = true;
    ++p;
  }
  for (; *p != 'e'; ++p) {
    if (*p != '.') decimal.digits += *p;
  }
  decimal.exponent = std::atoi(p + 1);
  while (decimal.digits.size() > 1 && decimal.digits.back() == '0') decimal.digits.pop_back();
  return decimal;
}

// Keeps `count` significant digits, rounding half away from zero; zero has no sign.
Decimal roundTo(Decimal d, int count) {
  if (d.isZero() || count >= static_cast<int>(d.digits.size())) return d;
  if (count < 0 || (count == 0 && d.digits.front() < '5')) return Decimal{};
  const bool roundUp = d.digits[static_cast<std::size_t>(count)] >= '5';
  d.digits.resize(static_cast<std::size_t>(count));
  if (roundUp) {
    int i = count - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') d.digits[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++d.digits[static_cast<std::size_t>(i)];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exponent;
    }
  }
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

std::string exponentText(const Decimal& d, char separator) {
  std::string text = d.negative ? "-" : "";
  text += d.digits.front();
  if (d.digits.size() > 1) text += separator + d.digits.substr(1);
  return text + "E" + std::to_string(d.exponent);
}

// The digit at decimal position `power` (10^power) of the number, '0' outside its digits.
char digitAt(const Decimal& d, int power) {
  const int index = d.exponent - power;
  return index >= 0 && index < static_cast<int>(d.digits.size()) ? d.digits[static_cast<std::size_t>(index)] : '0';
}

std::string fixedText(const Decimal& d, int decimals, char separator) {
  std::string text = d.negative && !d.isZero() ? "-" : "";
  for (int power = std::max(d.exponent, 0); power >= 0; --power) text += digitAt(d, power);
  if (decimals > 0) {
    text += separator;
    for (int power = -1; power >= -decimals; --power) text += digitAt(d, power);
  }
  return text;
}

std::string nonFiniteText(double value) {
  if (std::isnan(value)) return "NAN";
  return value > 0 ? "INF" : "-INF";
}

}  // namespace

std::string generalNumberText(double value, char decimalSeparator, int digits) {
  if (!std::isfinite(value)) return nonFiniteText(value);
  const Decimal d = roundTo(toDecimal(value), digits);
  if (d.isZero()) return "0";
  if (d.exponent < kSmallestFixedExponent || d.exponent >= digits) {
    return exponentText(d, decimalSeparator);
  }
  const int fractionDigits = std::max(0, static_cast<int>(d.digits.size()) - d.exponent - 1);
  return fixedText(d, fractionDigits, decimalSeparator);
}

std::string fixedNumberText(double value, int decimals, char decimalSeparator) {
  if (!std::isfinite(value)) return nonFiniteText(value);
  decimals = std::max(decimals, 0);
  const Decimal exact = toDecimal(value);
  const Decimal d = roundTo(exact, std::min(kFixedPrecision, exact.exponent + 1 + decimals));
  if (d.exponent >= kFixedPrecision) return exponentText(d, decimalSeparator);
  return fixedText(d, decimals, decimalSeparator);
}

std::string statisticsNumberText(double value, char decimalSeparator) {
  return generalNumberText(value, decimalSeparator, kStatisticsDigits);
}

std::string integerText(long long value) { return std::to_string(value); }

double parseNumber(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  const auto last = text.find_last_not_of(' ');
  if (first == std::string_view::npos) throw ConversionError(std::string(text));
  std::string number(text.substr(first, last - first + 1));
  std::replace(number.begin(), number.end(), ',', '.');
  if (number.front() == '+') number.erase(0, 1);
  const std::size_t digitAt = !number.empty() && number.front() == '-' ? 1 : 0;
  // Only digits or the separator may start a number: no "inf", "nan" or hex.
  const bool startsWell = digitAt < number.size() &&
                          (number[digitAt] == '.' || (number[digitAt] >= '0' && number[digitAt] <= '9'));
  double value = 0.0;
  const char* end = number.data() + number.size();
  const auto [stop, error] = startsWell ? std::from_chars(number.data(), end, value)
                                        : std::from_chars_result{number.data(), std::errc::invalid_argument};
  if (error != std::errc{} || stop != end || !std::isfinite(value)) throw ConversionError(std::string(text));
  return value;
}

int parseInteger(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  const auto last = text.find_last_not_of(' ');
  if (first == std::string_view::npos) throw ConversionError(std::string(text));
  std::string_view digits = text.substr(first, last - first + 1);
  if (digits.front() == '+') digits.remove_prefix(1);
  int value = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value);
  if (error != std::errc{} || stop != end) throw ConversionError(std::string(text));
  return value;
}

long long truncatedMilliseconds(double seconds) {
  constexpr double kMsPerSecond = 1000.0;
  // Through the 15-significant-digit text, as every number text here.
  char buffer[64] = {};
  const auto written = std::to_chars(buffer, buffer + sizeof buffer - 1, seconds * kMsPerSecond,
                                     std::chars_format::scientific, kGeneralDigits - 1);
  double ms = 0;
  std::from_chars(buffer, written.ptr, ms);
  return static_cast<long long>(std::trunc(ms));
}

}  // namespace tarvelo::weighing
