// The program entry: the main window (which restores the settings and, with the
// hidden mode stored, starts weighing at once), then the splash picture, then the
// event loop. Closing the main window or "Закрыть" in the tray menu ends it.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <exception>

#include "app/ask_form.h"
#include "app/main_form.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The splash window closes before the main window opens; that is no reason to end.
  QApplication::setQuitOnLastWindowClosed(false);
  try {
    const auto executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    tarvelo::app::TMainForm mainForm(tarvelo::app::makeSettingsStore(), executable);
    tarvelo::app::TAskForm askForm(mainForm.hiddenStart());
    mainForm.setAskForm(&askForm);
    askForm.FormCreate();
    QApplication::exec();
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, "Tarvelo", QString::fromUtf8(error.what()));
  }
  return 0;
}
