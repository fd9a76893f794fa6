#include "partial_file.h"

#include <windows.h>

#include <random>
#include <string_view>

namespace tarvelo::link {

namespace {

constexpr std::wstring_view kNameCharacters =
    L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kUniqueCharacters = 6;
constexpr int kAttempts = 100;

}  // namespace

std::optional<std::filesystem::path> createPartialFile(const std::filesystem::path& file,
                                                       std::error_code& error) {
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<size_t> pick(0, kNameCharacters.size() - 1);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::wstring name = file.native() + L".";
    for (int i = 0; i < kUniqueCharacters; ++i) name += kNameCharacters[pick(random)];
    // CREATE_NEW fails when the name is taken, so the file is this save's alone.
    const HANDLE created = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created != INVALID_HANDLE_VALUE) {
      CloseHandle(created);
      error.clear();
      return name;
    }
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  error.assign(static_cast<int>(GetLastError()), std::system_category());
  return std::nullopt;
}

}  // namespace tarvelo::link
