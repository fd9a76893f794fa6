#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tarvelo::app {

void loadQtTranslations(QCoreApplication& application) {
  if (QLocale::system().language() != QLocale::Russian) return;
  auto* translator = new QTranslator(&application);
  if (translator->load(QLocale::system(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace tarvelo::app
