#pragma once

#include <string>
#include <string_view>

namespace tarvelo::link {

// CP_UTF8, the code page of the program's own texts.
inline constexpr unsigned kUtf8CodePage = 65001;

// Windows' texts are UTF-16; these re-encode them to and from the texts of a code page,
// UTF-8 unless another is named. Windows only: wide_text_win32.cpp.
std::wstring wideText(std::string_view text, unsigned codePage = kUtf8CodePage);
std::string narrowText(std::wstring_view wide, unsigned codePage = kUtf8CodePage);

}  // namespace tarvelo::link
