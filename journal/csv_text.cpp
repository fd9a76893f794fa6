#include "journal/csv_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

namespace tarvelo::journal {

std::string csvField(const std::string& text, char separator) {
  if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string inertText(const std::string& text) {
  static constexpr std::string_view kFormulaStarts = "=+-@\t\r";
  return !text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos ? "'" + text : text;
}

std::string numberText(std::string text, char decimal) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == ',' || c == '.'; }, decimal);
  return text;
}

std::string fixedText(double value, int decimals) {
  std::array<char, 64> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
  return {buffer.data(), end.ptr};
}

}  // namespace tarvelo::journal
