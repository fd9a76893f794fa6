#pragma once

#include <array>
#include <cstdint>

namespace tarvelo::link {

// One frame of a balance decoded. The codes are each protocol's own.
struct FrameResult {
  int code = 0;
  double weight = 0.0;
  int unitIndex = -1;  // -1: the frame names no unit
  uint8_t stable = 0;
  std::array<char, 16> model{};
  int32_t serialNumber = 0;
};

// A frame that carries only its protocol's result code.
inline FrameResult frameWithCode(int code) {
  FrameResult result;
  result.code = code;
  return result;
}

}  // namespace tarvelo::link
