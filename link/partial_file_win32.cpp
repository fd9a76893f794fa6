#include "partial_file.h"

#include <windows.h>

#include <random>
#include <string>

namespace tarvelo::link {

namespace {

constexpr int kAttempts = 100;
// A reader of the file (this program's own, a virus scanner, an indexer) holds it against
// replacement for moments only.
constexpr int kReplaceAttempts = 50;
constexpr DWORD kReplacePauseMs = 10;

std::error_code lastSystemError() {
  return {static_cast<int>(GetLastError()), std::system_category()};
}

}  // namespace

std::optional<std::filesystem::path> createPartialFile(const std::filesystem::path& file,
                                                       std::error_code& error) {
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<size_t> pick(0, kPartialNameCharacters.size() - 1);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::wstring name = file.native() + static_cast<wchar_t>(kPartialSeparator);
    for (size_t i = 0; i < kPartialUniqueCharacters; ++i) {
      name += static_cast<wchar_t>(kPartialNameCharacters[pick(random)]);
    }
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
  error = lastSystemError();
  return std::nullopt;
}

// Files have no mode here: the partial file only goes to the disk.
bool finishPartialFile(const std::filesystem::path& partial, const std::filesystem::path& /*file*/,
                       FileReaders /*readers*/, std::error_code& error) {
  const HANDLE opened = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) {
    error = lastSystemError();
    return false;
  }
  const bool flushed = FlushFileBuffers(opened) != 0;
  if (!flushed) error = lastSystemError();
  CloseHandle(opened);
  return flushed;
}

bool replaceByPartialFile(const std::filesystem::path& partial, const std::filesystem::path& file,
                          std::error_code& error) {
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
      error.clear();
      return true;
    }
    const DWORD refused = GetLastError();
    if (attempt == kReplaceAttempts || (refused != ERROR_SHARING_VIOLATION && refused != ERROR_ACCESS_DENIED)) break;
    Sleep(kReplacePauseMs);
  }
  error = lastSystemError();
  return false;
}

}  // namespace tarvelo::link
