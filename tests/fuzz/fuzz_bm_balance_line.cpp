#include <cmath>
#include <cstdlib>
#include <cstring>
#include <span>

#include "link/bm_balance_line.h"

using namespace tarvelo::link;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // As the protocol reads: byte by byte, at most one buffer, ending at a complete line.
  std::size_t length = 0;
  while (length < size && length < kBmLineCapacity) {
    ++length;
    if (bmLineComplete(std::span(data, length))) break;
  }
  const BmLine line = decodeBmLine(std::span(data, length));
  if (line.frame.code == kBmOk) {
    if (!bmLineComplete(std::span(data, length))) std::abort();
    if (!std::isfinite(line.frame.weight)) std::abort();
    if (line.frame.model.back() != '\0') std::abort();
  }
  return 0;
}
