#include "partial_file.h"

#ifdef _WIN32
#include <windows.h>

#include <random>
#include <string_view>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "link/file_mode.h"
#endif

namespace tarvelo::reports {

#ifdef _WIN32

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

#else

namespace {

// What mkstemp puts a unique name in place of.
constexpr char kPartialSuffix[] = ".XXXXXX";

}  // namespace

std::optional<std::filesystem::path> createPartialFile(const std::filesystem::path& file,
                                                       std::error_code& error) {
  std::string name = file.string() + kPartialSuffix;
  const int descriptor = ::mkstemp(name.data());
  // mkstemp makes the file private to its owner.
  if (descriptor < 0 || ::fchmod(descriptor, link::replacementFileMode(file)) != 0) {
    error.assign(errno, std::generic_category());
    if (descriptor >= 0) {
      ::close(descriptor);
      ::unlink(name.c_str());
    }
    return std::nullopt;
  }
  ::close(descriptor);  // the library opens the file by its name
  error.clear();
  return name;
}

#endif

std::string writeInPlace(const std::filesystem::path& file,
                         const std::function<std::string(const std::filesystem::path& partial)>& write) {
  std::error_code error;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), error);
  if (error) return error.message();
  const auto partial = createPartialFile(file, error);
  if (!partial) return error.message();
  std::string reason = write(*partial);
  if (reason.empty()) {
    std::filesystem::rename(*partial, file, error);
    if (!error) return {};
    reason = error.message();
  }
  std::filesystem::remove(*partial, error);
  return reason;
}

}  // namespace tarvelo::reports
