#pragma once

#include <string>
#include <string_view>

namespace tarvelo::balance_sim {

// True for a tag's 15 digits: a 3-digit country or maker code, then the national number.
bool isTagDigits(std::string_view text);

// The line a tag reader prints for a tag, e.g. "985 000001234567\r\n".
std::string encodeTagLine(std::string_view digits);

}  // namespace tarvelo::balance_sim
