#include "window/widgets/print_failure.h"

#include <QMessageBox>
#include <QPrinter>

namespace tarvelo::window {

void reportPrintFailure(QWidget* window, const QPrinter& printer) {
  QMessageBox::critical(window, window->windowTitle(),
                        QString("Не удалось напечатать «%1»: принтер «%2» не принял задание.")
                            .arg(printer.docName(), printer.printerName()));
}

}  // namespace tarvelo::window
