#include "partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "file_mode.h"

namespace tarvelo::link {

namespace {

// What mkostemp puts a unique character in place of.
constexpr char kUniqueMark = 'X';

}  // namespace

std::optional<std::filesystem::path> createPartialFile(const std::filesystem::path& file,
                                                       std::error_code& error) {
  std::string name =
      file.string() + kPartialSeparator + std::string(kPartialUniqueCharacters, kUniqueMark);
  // mkostemp makes the file private to its owner.
  const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
  if (descriptor < 0) {
    error.assign(errno, std::generic_category());
    return std::nullopt;
  }
  ::close(descriptor);  // the writer opens the file by its name
  error.clear();
  return name;
}

// The mode is given only now, so a writer may write its partial file even when the file
// it replaces is read-only.
bool finishPartialFile(const std::filesystem::path& partial, const std::filesystem::path& file,
                       FileReaders readers, std::error_code& error) {
  const int descriptor = ::open(partial.c_str(), O_WRONLY | O_CLOEXEC);
  if (descriptor < 0) {
    error.assign(errno, std::generic_category());
    return false;
  }
  mode_t mode = replacementFileMode(file);
  if (readers == FileReaders::OwnerOnly) mode &= S_IRWXU;
  const bool finished = ::fchmod(descriptor, mode) == 0 && ::fsync(descriptor) == 0;
  if (!finished) error.assign(errno, std::generic_category());
  const bool closed = ::close(descriptor) == 0;
  if (finished && !closed) error.assign(errno, std::generic_category());
  return finished && closed;
}

bool replaceByPartialFile(const std::filesystem::path& partial, const std::filesystem::path& file,
                          std::error_code& error) {
  std::filesystem::rename(partial, file, error);
  return !error;
}

}  // namespace tarvelo::link
