#include "help_file.h"

#include <QDir>
#include <QFileInfo>

namespace tarvelo::app {

namespace {

const QString kHelpFileName = QStringLiteral("HELP.doc");
// Installed as <prefix>/bin/Tarvelo and <prefix>/share/tarvelo/HELP.doc.
const QString kInstalledHelpFromExecutable = QStringLiteral("../share/tarvelo/HELP.doc");

}  // namespace

QString helpFilePath(const QString& startupDir, const QString& executableDir) {
  const QDir executable(executableDir);
  const QString inStartupDir = QDir(startupDir).filePath(kHelpFileName);
  const QString candidates[] = {inStartupDir, executable.filePath(kHelpFileName),
                                executable.filePath(kInstalledHelpFromExecutable)};
  for (const QString& candidate : candidates) {
    if (QFileInfo(candidate).isFile()) return QDir::cleanPath(candidate);
  }
  return inStartupDir;
}

}  // namespace tarvelo::app
