#include "open_file.h"

#include <string>
#include <string_view>

namespace tarvelo::reports {

std::FILE* openFile(const std::filesystem::path& file, const char* mode) {
  const std::string_view narrowMode(mode);  // ASCII letters only
  return _wfopen(file.c_str(), std::wstring(narrowMode.begin(), narrowMode.end()).c_str());
}

}  // namespace tarvelo::reports
