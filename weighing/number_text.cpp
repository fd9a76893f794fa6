#include "number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarvelo::weighing {

namespace {

constexpr int kGeneralDigits = 15;
constexpr int kSmallestFixedExponent = -5;  // 0,00001

// The significant digits (trailing zeros dropped) and the decimal exponent of the
// value rounded to `digits` significant digits.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

Decimal toDecimal(double value, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, value);
  Decimal decimal;
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

}  // namespace

std::string generalNumberText(double value, char decimalSeparator) {
  if (value == 0.0) return "0";
  if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
  const Decimal d = toDecimal(value, kGeneralDigits);
  std::string text = d.negative ? "-" : "";
  const int digitCount = static_cast<int>(d.digits.size());
  if (d.exponent < kSmallestFixedExponent || d.exponent >= kGeneralDigits) {
    text += d.digits.front();
    if (digitCount > 1) text += decimalSeparator + d.digits.substr(1);
    return text + "E" + std::to_string(d.exponent);
  }
  if (d.exponent < 0) {
    return text + "0" + decimalSeparator + std::string(static_cast<std::size_t>(-d.exponent - 1), '0') +
           d.digits;
  }
  const int integerDigits = d.exponent + 1;
  if (digitCount <= integerDigits) {
    return text + d.digits + std::string(static_cast<std::size_t>(integerDigits - digitCount), '0');
  }
  return text + d.digits.substr(0, static_cast<std::size_t>(integerDigits)) + decimalSeparator +
         d.digits.substr(static_cast<std::size_t>(integerDigits));
}

}  // namespace tarvelo::weighing
