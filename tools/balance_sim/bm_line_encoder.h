#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "reading.h"

namespace tarvelo::balance_sim {

inline constexpr std::size_t kBmModelMaxChars = 15;

// One streamed line, e.g. "   25.31  g KM500 1234\r\n".
std::string encodeBmLine(const Reading& reading, int displayDecimals, std::string_view model,
                         std::uint32_t serialNumber);

}  // namespace tarvelo::balance_sim
