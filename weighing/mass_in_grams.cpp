#include "mass_in_grams.h"

#include <array>
#include <utility>

namespace tarvelo::weighing {

namespace {

// The mass units the three protocols name, in grams.
constexpr std::array<std::pair<std::string_view, double>, 7> kGramsPerUnit{{
    {"g", 1.0},
    {"kg", 1000.0},
    {"mg", 0.001},
    {"t", 1'000'000.0},
    {"ct", 0.2},
    {"oz", 28.349523125},
    {"ozt", 31.1034768},
}};

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

double massInGrams(double weight, std::string_view unit) {
  // The unit field is zero-terminated and may be padded with blanks.
  const std::string_view name = trimmed(unit.substr(0, unit.find('\0')));
  for (const auto& [known, grams] : kGramsPerUnit) {
    if (name == known) return weight * grams;
  }
  return weight;
}

}  // namespace tarvelo::weighing
