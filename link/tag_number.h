#pragma once

// Tag lines of an animal tag reader (ISO 11784/11785 FDX-B as readers print them).
//
// A line holds the tag's 15 digits: a 3-digit country or maker code, then the 12-digit
// national number, written together ("985000001234567") or with blanks, '.', '_' or '-'
// between the two groups ("985 000001234567"). Anything before or after the number is
// the reader's own (a prefix, a checksum, control characters) and is passed over, as
// long as the number stands alone: no digit right before or after it, and no second
// number in the line.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvelo::link {

inline constexpr std::size_t kTagDigits = 15;

// The 15 digits of the tag in `line`; nothing when the line holds no tag (too few or
// too many digits, a letter inside the number, an empty line) or two of them.
std::optional<std::string> tagNumber(std::string_view line);

}  // namespace tarvelo::link
