#include "file_mode.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace tarvelo::link {

namespace {

constexpr mode_t kPermissionBits = S_IRWXU | S_IRWXG | S_IRWXO;
// What a program asks for when it creates a data file; the umask takes its part away.
constexpr mode_t kNewFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
constexpr mode_t kUmaskWhenUnknown = S_IWGRP | S_IWOTH;
constexpr const char* kProcessStatusFile = "/proc/self/status";
constexpr std::string_view kUmaskField = "Umask:";

// umask() reads the mask only by changing it, which would race with other threads making
// files meanwhile; the kernel shows it in the process status as well.
mode_t processUmask() {
  std::ifstream status(kProcessStatusFile);
  for (std::string line; std::getline(status, line);) {
    if (!line.starts_with(kUmaskField)) continue;
    mode_t mask = 0;
    if (std::istringstream(line.substr(kUmaskField.size())) >> std::oct >> mask) return mask;
  }
  return kUmaskWhenUnknown;
}

}  // namespace

mode_t replacementFileMode(const std::filesystem::path& file) {
  struct stat old {};
  if (::stat(file.c_str(), &old) == 0) return old.st_mode & kPermissionBits;
  return kNewFileMode & ~processUmask();
}

}  // namespace tarvelo::link
