#include "wide_text.h"

#include <windows.h>

namespace tarvelo::link {

static_assert(kUtf8CodePage == CP_UTF8);

std::wstring wideText(std::string_view text, unsigned codePage) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int wideLength = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), wideLength);
  return wide;
}

std::string narrowText(std::wstring_view wide, unsigned codePage) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  const int narrowLength =
      WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(narrowLength), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), length, narrow.data(), narrowLength, nullptr, nullptr);
  return narrow;
}

}  // namespace tarvelo::link
