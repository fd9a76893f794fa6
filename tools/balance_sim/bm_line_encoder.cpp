#include "bm_line_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tarvelo::balance_sim {

namespace {

constexpr std::size_t kWeightFieldChars = 8;
constexpr std::string_view kStableUnit = "  g";
constexpr std::string_view kUnstableUnit = "   ";
constexpr std::string_view kLineEnd = "\r\n";
constexpr char kCorruptBlank = '#';

std::int64_t powerOfTen(int exponent) {
  std::int64_t result = 1;
  for (int i = 0; i < exponent; ++i) result *= 10;
  return result;
}

// The weight right-aligned in 8 characters, clamped to what the field can show.
std::string formatWeightField(double grams, int decimals) {
  const int pointChars = decimals > 0 ? 1 : 0;
  const int integerDigits = static_cast<int>(kWeightFieldChars) - decimals - pointChars;
  const std::int64_t maxScaled = powerOfTen(integerDigits + decimals) - 1;
  // A negative value needs one place for the sign and at least one integer digit.
  const std::int64_t minScaled =
      integerDigits >= 2 ? -(powerOfTen(integerDigits - 1 + decimals) - 1) : 0;
  const double rounded = std::round(grams * static_cast<double>(powerOfTen(decimals)));
  const auto scaled = static_cast<std::int64_t>(
      std::clamp(rounded, static_cast<double>(minScaled), static_cast<double>(maxScaled)));

  const std::int64_t unit = powerOfTen(decimals);
  const std::int64_t magnitude = std::llabs(scaled);
  std::string text;
  if (scaled < 0) text = '-';
  text += std::to_string(magnitude / unit);
  if (decimals > 0) {
    const std::string fraction = std::to_string(magnitude % unit);
    text += '.' + std::string(static_cast<std::size_t>(decimals) - fraction.size(), '0') + fraction;
  }
  return std::string(kWeightFieldChars - text.size(), ' ') + text;
}

}  // namespace

std::string encodeBmLine(const Reading& reading, int displayDecimals, std::string_view model,
                         std::uint32_t serialNumber) {
  std::string line = formatWeightField(reading.grams, displayDecimals);
  line += reading.stable ? kStableUnit : kUnstableUnit;
  line += ' ';
  line += model;
  line += ' ';
  line += std::to_string(serialNumber);
  if (reading.corrupt) std::replace(line.begin(), line.end(), ' ', kCorruptBlank);
  line += kLineEnd;
  return line;
}

}  // namespace tarvelo::balance_sim
