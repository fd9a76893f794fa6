#include "tag_line_encoder.h"

#include <algorithm>

namespace tarvelo::balance_sim {

namespace {

constexpr std::size_t kTagDigits = 15;
constexpr std::size_t kCountryDigits = 3;
constexpr std::string_view kGroupSeparator = " ";
constexpr std::string_view kLineEnd = "\r\n";

}  // namespace

bool isTagDigits(std::string_view text) {
  return text.size() == kTagDigits &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string encodeTagLine(std::string_view digits) {
  std::string line(digits.substr(0, kCountryDigits));
  line += kGroupSeparator;
  line += digits.substr(kCountryDigits);
  line += kLineEnd;
  return line;
}

}  // namespace tarvelo::balance_sim
