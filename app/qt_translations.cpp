#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tarvelo::app {

void loadQtTranslations(QCoreApplication& application) {
  if (QLocale::system().language() != QLocale::Russian) return;
  auto* translator = new QTranslator(&application);
  // Compiled in where Qt comes without its translations (Windows); else Qt's own.
  for (const QString& folder : {QString(":/translations"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
    if (translator->load(QLocale::system(), "qtbase", "_", folder)) {
      QCoreApplication::installTranslator(translator);
      return;
    }
  }
  delete translator;
}

}  // namespace tarvelo::app
