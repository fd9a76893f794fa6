#pragma once

#include <string_view>

namespace tarvelo::weighing {

inline constexpr std::string_view kStableText = "стаб.";
inline constexpr std::string_view kUnstableText = "нестаб.";

inline std::string_view stabilityText(bool stable) { return stable ? kStableText : kUnstableText; }

}  // namespace tarvelo::weighing
