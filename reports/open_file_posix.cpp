#include "open_file.h"

#include <cerrno>

namespace tarvelo::reports {

std::FILE* openFile(const std::filesystem::path& file, const char* mode) {
  return std::fopen(file.c_str(), mode);
}

link::Failure lastFileFailure() { return link::systemFailure(errno); }

}  // namespace tarvelo::reports
