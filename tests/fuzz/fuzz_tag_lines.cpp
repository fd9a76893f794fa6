#include <algorithm>
#include <cstdlib>

#include "link/tag_line.h"
#include "link/tag_number.h"

using namespace tarvelo::link;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t errorAt = data[0];  // which of the bytes after it came with a line error
  TagLineGatherer lines;
  size_t received = 0;  // bytes since the last line end
  bool errorInLine = false;
  for (size_t i = 1; i < size; ++i) {
    const bool lineError = i - 1 == errorAt;
    const std::optional<GatheredLine> line = lines.take(data[i], lineError);
    if (data[i] != '\r' && data[i] != '\n') {
      ++received;
      errorInLine = errorInLine || lineError;
      if (line) std::abort();
      continue;
    }
    if (line.has_value() != (received > 0)) std::abort();
    if (line && line->spoiled != (errorInLine || received > kMaxTagLineBytes)) std::abort();
    if (line && !line->spoiled && line->text.size() != received) std::abort();
    received = 0;
    errorInLine = false;
    if (!line || line->spoiled) continue;
    if (const std::optional<std::string> tag = tagNumber(line->text)) {
      const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
      if (tag->size() != kTagDigits || !std::all_of(tag->begin(), tag->end(), isDigit))
        std::abort();
      if (tagNumber(*tag) != tag) std::abort();  // the bare number is a tag line of its own
    }
  }
  return 0;
}
