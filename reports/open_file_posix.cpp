#include "open_file.h"

namespace tarvelo::reports {

std::FILE* openFile(const std::filesystem::path& file, const char* mode) {
  return std::fopen(file.c_str(), mode);
}

}  // namespace tarvelo::reports
