#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <QDir>

#include "window/protocol/installed_program.h"

namespace tarvelo::window {

namespace {

QString knownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  QString folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) {
    folder = QDir::cleanPath(QString::fromWCharArray(path));
  }
  CoTaskMemFree(path);
  return folder;
}

bool isInside(const QString& path, const QString& folder) {
  return !folder.isEmpty() && (path.compare(folder, Qt::CaseInsensitive) == 0 ||
                               path.startsWith(folder + '/', Qt::CaseInsensitive));
}

}  // namespace

// Installed under Program Files, which a user may not write.
bool runsInstalled(const QString& executableDir) {
  const QString program = QDir::cleanPath(QDir(executableDir).absolutePath());
  return isInside(program, knownFolder(FOLDERID_ProgramFiles)) ||
         isInside(program, knownFolder(FOLDERID_ProgramFilesX86));
}

}  // namespace tarvelo::window
