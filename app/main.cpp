// The program entry. Closing the main window, "Закрыть" in the tray menu or a
// termination signal ends the event loop; the settings are written as the main
// window goes. `--show` starts with the window even when the hidden mode is stored;
// `--hands-free` turns hands-free weighing on.
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <exception>

#include "journal/journal_place.h"
#include "window/main/main_form.h"
#include "window/main/tray_part.h"
#include "app/program.h"
#include "app/qt_translations.h"
#include "app/termination_signals.h"

namespace {

constexpr int kExitFailure = 1;

tarvelo::window::StartOptions startOptionsOf(const QStringList& arguments) {
  tarvelo::window::StartOptions options;
  if (arguments.contains("--show")) options.mode = tarvelo::window::StartMode::ShowWindow;
  options.handsFree = arguments.contains("--hands-free");
  options.journal = tarvelo::journal::defaultJournalPath();
  // Earlier the journal lived in a folder named after the program's file, roaming on Windows.
  const std::filesystem::path earlier(
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdU16String() + u"/journal.sqlite");
  if (const auto failure = tarvelo::journal::adoptJournal(earlier, options.journal)) {
    tarvelo::window::printToStandardError(QString("Журнал взвешиваний «%1» не перенесен в «%2»: %3")
                                           .arg(QString::fromStdU16String(earlier.u16string()),
                                                QString::fromStdU16String(options.journal.u16string()),
                                                QString::fromStdString(failure->message)));
    options.journal = earlier;  // kept where it is, rather than a new empty one beside
  }
  return options;
}

// Closes the boxes waiting for a person, innermost first; true when there was one.
bool closeWaitingBoxes() {
  bool closed = false;
  QDialog* previous = nullptr;
  while (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
    if (box == previous) break;  // it would not close
    box->reject();
    previous = box;
    closed = true;
  }
  return closed;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  tarvelo::app::loadQtTranslations(application);
  // The splash window closes before the main window opens; that is no reason to end.
  QApplication::setQuitOnLastWindowClosed(false);
  // A termination request may come while a box waits in its own event loop, before the
  // program's loop runs (a refused hidden start): the box gives way, and the program
  // ends as soon as it is back, with a failure since the box's question went unanswered.
  bool terminated = false;
  bool boxUnanswered = false;
  tarvelo::app::endOnTerminationSignals(&application, [&] {
    terminated = true;
    boxUnanswered = closeWaitingBoxes() || boxUnanswered;
    QApplication::quit();
  });
  try {
    tarvelo::app::Program program(QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString(),
                                  startOptionsOf(QCoreApplication::arguments()));
    if (!terminated) QApplication::exec();
    return boxUnanswered ? kExitFailure : program.mainForm().exitStatus();
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, "Tarvelo", QString::fromUtf8(error.what()));
  }
  return kExitFailure;
}
