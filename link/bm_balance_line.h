#pragma once

// BM balance lines (2400 baud, 8 data bits, even parity, 1 stop bit).
//
// The balance streams lines of printable characters ending in CR LF, read one byte
// at a time into a 50-byte buffer. A line ends at the first CR LF at position 6 or
// later. Positions from 0:
//   0-7            weight, a decimal number with '.' (leading blanks allowed)
//   8-10           unit as received; three blanks while the balance is not settled
//   11             not used
//   12..last blank model, up to and including the last blank
//   after it       serial number in decimal, up to the CR LF
// A line without its CR LF, whose last blank lies before the model field, or whose
// weight field holds no digit, is malformed and never becomes a reading.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "frame_result.h"

namespace tarvelo::link {

inline constexpr std::size_t kBmLineCapacity = 50;
inline constexpr std::size_t kBmMinLineEnd = 6;  // a CR LF ending before this is data

// Read line result codes.
inline constexpr int kBmOk = 0;
inline constexpr int kBmReadFailed = 1;
inline constexpr int kBmMalformed = 2;

// The line is complete once `line` (bytes 0..i) ends in CR LF at position 6 or later.
bool bmLineComplete(std::span<const uint8_t> line);

struct BmLine {
  FrameResult frame;            // code kBmOk or kBmMalformed
  std::array<char, 4> unit{};  // the three unit characters as received
};

// Checks and decodes the bytes read for one line.
BmLine decodeBmLine(std::span<const uint8_t> line);

}  // namespace tarvelo::link
