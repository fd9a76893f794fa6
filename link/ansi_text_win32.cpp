#include "ansi_text.h"

#include <windows.h>

namespace tarvelo::link {

namespace {

// Re-encodes through UTF-16, the one encoding both code pages convert to and from.
std::string convert(std::string_view text, UINT from, UINT to) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(from, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(from, 0, text.data(), length, wide.data(), wideLength);
  const int outLength = WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(outLength), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), outLength, nullptr, nullptr);
  return out;
}

}  // namespace

std::string toAnsiText(std::string_view utf8) { return convert(utf8, CP_UTF8, CP_ACP); }
std::string fromAnsiText(std::string_view ansi) { return convert(ansi, CP_ACP, CP_UTF8); }

}  // namespace tarvelo::link
