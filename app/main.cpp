// The program entry. Closing the main window, "Закрыть" in the tray menu or a
// termination signal ends the event loop; the settings are written as the main
// window goes. `--show` starts with the window even when the hidden mode is stored;
// `--hands-free` turns hands-free weighing on.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <exception>

#include "app/main_form.h"
#include "app/program.h"
#include "app/qt_translations.h"
#include "app/termination_signals.h"

namespace {

constexpr int kExitFailure = 1;

tarvelo::app::StartOptions startOptionsOf(const QStringList& arguments) {
  tarvelo::app::StartOptions options;
  if (arguments.contains("--show")) options.mode = tarvelo::app::StartMode::ShowWindow;
  options.handsFree = arguments.contains("--hands-free");
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  tarvelo::app::loadQtTranslations(application);
  // The splash window closes before the main window opens; that is no reason to end.
  QApplication::setQuitOnLastWindowClosed(false);
  tarvelo::app::endOnTerminationSignals(&application, [] { QApplication::quit(); });
  try {
    tarvelo::app::Program program(QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString(),
                                  startOptionsOf(QCoreApplication::arguments()));
    QApplication::exec();
    return program.mainForm().exitStatus();
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, "Tarvelo", QString::fromUtf8(error.what()));
  }
  return kExitFailure;
}
