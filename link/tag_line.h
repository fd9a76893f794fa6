#pragma once

// The lines of an animal tag reader gathered as its bytes arrive: each ends at a CR or
// LF, and a line end with nothing before it (the LF of a CR LF) gives no line.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace tarvelo::link {

// Far more than any reader puts in a tag line; a longer line holds no tag.
inline constexpr std::size_t kMaxTagLineBytes = 80;

// One line as it came, without its CR or LF. A line in which a byte came with a line
// error (a digit may have changed) or that grew too long is spoiled: it holds no tag.
struct GatheredLine {
  std::string text;
  bool spoiled = false;
};

class TagLineGatherer {
 public:
  // The line that `byte` ends, when it ends one with anything in it.
  std::optional<GatheredLine> take(std::uint8_t byte, bool lineError) {
    if (byte == kCr || byte == kLf) {
      if (line_.text.empty() && !line_.spoiled) return std::nullopt;
      return std::exchange(line_, {});
    }
    line_.spoiled = line_.spoiled || lineError || line_.text.size() == kMaxTagLineBytes;
    if (line_.text.size() < kMaxTagLineBytes) line_.text += static_cast<char>(byte);
    return std::nullopt;
  }

  void clear() { line_ = {}; }

 private:
  static constexpr std::uint8_t kCr = '\r';
  static constexpr std::uint8_t kLf = '\n';

  GatheredLine line_;
};

}  // namespace tarvelo::link
