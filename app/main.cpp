// The program entry. Closing the main window or "Закрыть" in the tray menu ends the
// event loop; the settings are written as the main window goes.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <exception>

#include "app/program.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The splash window closes before the main window opens; that is no reason to end.
  QApplication::setQuitOnLastWindowClosed(false);
  try {
    tarvelo::app::Program program(QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString());
    QApplication::exec();
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, "Tarvelo", QString::fromUtf8(error.what()));
  }
  return 0;
}
