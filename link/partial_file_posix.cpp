#include "partial_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "file_mode.h"

namespace tarvelo::link {

namespace {

// What mkstemp puts a unique name in place of.
constexpr char kPartialSuffix[] = ".XXXXXX";

}  // namespace

std::optional<std::filesystem::path> createPartialFile(const std::filesystem::path& file,
                                                       std::error_code& error) {
  std::string name = file.string() + kPartialSuffix;
  const int descriptor = ::mkstemp(name.data());
  // mkstemp makes the file private to its owner.
  if (descriptor < 0 || ::fchmod(descriptor, replacementFileMode(file)) != 0) {
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

}  // namespace tarvelo::link
