#include <windows.h>

#include "link/system_error_text.h"
#include "link/wide_text.h"

namespace tarvelo::link {

std::string systemErrorText(int systemError) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(systemError), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = length > 0 ? std::wstring(text, length) : L"ошибка " + std::to_wstring(systemError);
  LocalFree(text);
  // The system ends its texts with a full stop and a line break.
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' || wide.back() == L'.')) {
    wide.pop_back();
  }
  return narrowText(wide);
}

}  // namespace tarvelo::link
