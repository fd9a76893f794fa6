#include "tag_number.h"

#include <utility>

namespace tarvelo::link {

namespace {

constexpr std::size_t kCountryDigits = 3;
constexpr std::size_t kNationalDigits = kTagDigits - kCountryDigits;
constexpr std::string_view kGroupSeparators = " ._-";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The tag whose first digit is line[start], or nothing.
std::optional<std::string> tagAt(std::string_view line, std::size_t start) {
  std::string digits;
  std::size_t at = start;
  const auto takeDigits = [&](std::size_t count) {
    for (; count > 0 && at < line.size() && isDigit(line[at]); --count) digits += line[at++];
    return count == 0;
  };
  if (!takeDigits(kCountryDigits)) return std::nullopt;
  while (at < line.size() && kGroupSeparators.find(line[at]) != std::string_view::npos) ++at;
  if (!takeDigits(kNationalDigits)) return std::nullopt;
  if (at < line.size() && isDigit(line[at])) return std::nullopt;
  return digits;
}

}  // namespace

std::optional<std::string> tagNumber(std::string_view line) {
  std::optional<std::string> found;
  for (std::size_t i = 0; i < line.size(); ++i) {
    // A number starts at a digit with none before it.
    if (!isDigit(line[i]) || (i > 0 && isDigit(line[i - 1]))) continue;
    if (std::optional<std::string> tag = tagAt(line, i)) {
      // Which of two numbers is the animal's cannot be told.
      if (found) return std::nullopt;
      found = std::move(tag);
    }
  }
  return found;
}

}  // namespace tarvelo::link
