#pragma once

#include "reports/spreadsheet_protocol.h"
#include "session/weighing_session.h"

class QPrinter;
class QWidget;

namespace Ui {
class TMainForm;
}

namespace tarvelo::window {


// The protocol of a batch as the main window shows it: saved as a workbook in the
// "протоколы" folder beside the program, or in the user's documents when the program is
// installed ("Сохранить в файл"), or printed ("Печать"). Owned by the main window.
class ProtocolPart {
 public:
  ProtocolPart(const Ui::TMainForm& ui, const session::WeighingSession& session, QWidget* window);

  void ApplyButton1Click();
  void btnPrintClick();
  // Printed on a given printer; false when the printer did not take the job.
  bool printProtocol(QPrinter& printer) const;

 private:
  reports::SpreadsheetProtocol protocol() const;
  // No printer: offers the protocol as a PDF file instead.
  void printToPdf();

  const Ui::TMainForm* ui;
  const session::WeighingSession& session_;
  QWidget* window_;
};

}  // namespace tarvelo::window
