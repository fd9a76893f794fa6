#pragma once

#include <QString>
#include <filesystem>

namespace tarvelo::journal {

// A path as Qt takes it and a person reads it, whatever the system's narrow encoding.
inline QString pathText(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.u16string());
}

}  // namespace tarvelo::journal
