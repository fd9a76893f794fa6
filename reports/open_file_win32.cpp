#include "open_file.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tarvelo::reports {

std::FILE* openFile(const std::filesystem::path& file, const char* mode) {
  const std::string_view narrowMode(mode);  // ASCII letters only
  return _wfopen(file.c_str(), std::wstring(narrowMode.begin(), narrowMode.end()).c_str());
}

link::Failure lastFileFailure() {
  // Set with errno when a system call behind the C runtime failed.
  const unsigned long system = _doserrno;
  return system != 0 ? link::systemFailure(static_cast<int>(system)) : link::lastErrnoFailure();
}

}  // namespace tarvelo::reports
