#include "window/protocol/program_files.h"

#include <QDir>
#include <QFileInfo>

namespace tarvelo::window {

namespace {

const QString kHelpFileName = QStringLiteral("HELP.doc");
const QString kInstalledDataFromExecutable = QStringLiteral("../share/tarvelo");

}  // namespace

QString installedDataDir(const QString& executableDir) {
  return QDir::cleanPath(QDir(executableDir).filePath(kInstalledDataFromExecutable));
}

QString helpFilePath(const QString& startupDir, const QString& executableDir) {
  const QDir executable(executableDir);
  const QString inStartupDir = QDir(startupDir).filePath(kHelpFileName);
  const QString candidates[] = {inStartupDir, executable.filePath(kHelpFileName),
                                QDir(installedDataDir(executableDir)).filePath(kHelpFileName)};
  for (const QString& candidate : candidates) {
    if (QFileInfo(candidate).isFile()) return QDir::cleanPath(candidate);
  }
  return inStartupDir;
}

}  // namespace tarvelo::window
