#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvelo::link {

// Texts are UTF-8 on every system, while a path holds the system's own encoding (UTF-16 on
// Windows): a path said in a text, or made from one, goes through these.
inline std::string utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

inline std::filesystem::path utf8Path(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace tarvelo::link
