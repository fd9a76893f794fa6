#pragma once

#include <QDir>
#include <QString>

#include <filesystem>

namespace tarvelo::window {

// A path from a dialog or Qt, for the standard library's file functions.
inline std::filesystem::path toPath(const QString& path) {
  return std::filesystem::path(path.toStdU16String());
}

// A path as the user reads it and as Qt opens it.
inline QString toQString(const std::filesystem::path& path) {
  return QDir::toNativeSeparators(QString::fromStdU16String(path.u16string()));
}

}  // namespace tarvelo::window
