#pragma once

#include <string_view>

namespace tarvelo::window {

// Whether `left` sorts before `right` with runs of digits taken by their value, so that
// "К-2" comes before "К-10" and a tag's 15 digits sort as a number; other characters by
// their code.
template <typename Char>
bool naturallyBefore(std::basic_string_view<Char> left, std::basic_string_view<Char> right) {
  const auto isDigit = [](Char c) { return c >= Char('0') && c <= Char('9'); };
  size_t i = 0;
  size_t j = 0;
  while (i < left.size() && j < right.size()) {
    if (!isDigit(left[i]) || !isDigit(right[j])) {
      if (left[i] != right[j]) return left[i] < right[j];
      ++i, ++j;
      continue;
    }
    while (i < left.size() && left[i] == Char('0')) ++i;
    while (j < right.size() && right[j] == Char('0')) ++j;
    size_t leftEnd = i;
    size_t rightEnd = j;
    while (leftEnd < left.size() && isDigit(left[leftEnd])) ++leftEnd;
    while (rightEnd < right.size() && isDigit(right[rightEnd])) ++rightEnd;
    // The longer run without leading zeros is the larger number; of equal lengths, the first
    // digit that differs says.
    if (leftEnd - i != rightEnd - j) return leftEnd - i < rightEnd - j;
    if (const auto order = left.substr(i, leftEnd - i).compare(right.substr(j, rightEnd - j)); order != 0)
      return order < 0;
    i = leftEnd;
    j = rightEnd;
  }
  return left.size() - i < right.size() - j;
}

}  // namespace tarvelo::window
