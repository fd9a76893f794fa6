#include "bm_balance_line.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <string>

namespace tarvelo::link {

namespace {

constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;
constexpr uint8_t kBlank = 0x20;
constexpr std::size_t kWeightLength = 8;
constexpr std::size_t kUnitFirst = 8;
constexpr std::size_t kUnitLength = 3;
constexpr std::size_t kModelFirst = 12;

// The number at the start of `text` after leading blanks, '.' as the decimal point,
// never through the locale; a field that starts otherwise gives 0.
double leadingNumber(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return 0.0;
  text.remove_prefix(first);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const std::size_t digitAt = !text.empty() && text.front() == '-' ? 1 : 0;
  // Only digits or a point may start the number: "inf" and "nan" are not weights.
  if (digitAt >= text.size() || (text[digitAt] != '.' && (text[digitAt] < '0' || text[digitAt] > '9'))) {
    return 0.0;
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::fixed);
  return error == std::errc{} ? value : 0.0;
}

// The integer at the start of `text`, as the C library reads it (leading blanks,
// optional sign, stops at the first non-digit; out of range clamps).
int32_t leadingInteger(const std::string& text) {
  const long value = std::strtol(text.c_str(), nullptr, 10);
  return static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

bool hasDigit(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool bmLineComplete(std::span<const uint8_t> line) {
  const std::size_t n = line.size();
  return n > kBmMinLineEnd && line[n - 2] == kCr && line[n - 1] == kLf;
}

BmLine decodeBmLine(std::span<const uint8_t> line) {
  BmLine decoded;
  FrameResult& result = decoded.frame;
  result.code = kBmMalformed;
  if (!bmLineComplete(line)) return decoded;
  const std::size_t serialEnd = line.size() - 2;
  std::size_t lastBlank = 0;
  for (std::size_t i = 0; i < serialEnd; ++i) {
    if (line[i] == kBlank) lastBlank = i;
  }
  if (line[lastBlank] != kBlank || lastBlank < kModelFirst) return decoded;

  const std::string text(line.begin(), line.end());
  // A weight field without a digit is noise on the line, not a weight of 0.
  const std::string_view weightField = std::string_view(text).substr(0, kWeightLength);
  if (!hasDigit(weightField)) return decoded;
  result.weight = leadingNumber(weightField);
  const std::string unit = text.substr(kUnitFirst, kUnitLength);
  std::copy(unit.begin(), unit.end(), decoded.unit.begin());
  result.stable = unit == "   " ? 0 : 1;
  // A model longer than the field is cut to 15 characters and the terminating zero.
  const std::string model = text.substr(kModelFirst, lastBlank + 1 - kModelFirst);
  std::copy_n(model.begin(), std::min(model.size(), result.model.size() - 1), result.model.begin());
  result.serialNumber = leadingInteger(text.substr(lastBlank + 1, serialEnd - lastBlank - 1));
  result.code = kBmOk;
  return decoded;
}

}  // namespace tarvelo::link
