#include "open_file.h"

#include <cerrno>

namespace tarvelo::reports {

std::FILE* openFile(const std::filesystem::path& file, const char* mode) {
  return std::fopen(file.c_str(), mode);
}

std::error_code lastFileError() { return {errno, std::system_category()}; }

}  // namespace tarvelo::reports
