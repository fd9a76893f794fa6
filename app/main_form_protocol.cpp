// The protocol of a batch: saved as a workbook in the "протоколы" folder beside the
// program ("Сохранить в файл"), or printed ("Печать").
#include <QCoreApplication>
#include <QDate>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>

#include "app/main_form.h"
#include "app/protocol_painter.h"
#include "app/weighing_session.h"
#include "reports/protocol_file_name.h"
#include "reports/xlsx_protocol_writer.h"
#include "ui_main_form.h"

namespace tarvelo::app {

namespace {

std::filesystem::path programFolder() { return QCoreApplication::applicationDirPath().toStdString(); }

}  // namespace

reports::SpreadsheetProtocol TMainForm::protocol() const {
  const link::WeightReading& balance = session_->lastReading();
  const auto modelEnd = std::find(balance.model.begin(), balance.model.end(), '\0');
  return reports::BuildSpreadsheetProtocol({store.sgRes, store.sgTotal, ui->eLabelNum->text().toStdString(),
                                            ui->eUnit->text().toStdString(), ui->ePerson->text().toStdString(),
                                            ui->cbWTime->currentText().toStdString(),
                                            QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString(),
                                            std::string(balance.model.begin(), modelEnd), balance.serialNumber});
}

void TMainForm::ApplyButton1Click() {
  const auto fileName = reports::protocolFileName(programFolder(), ui->eLabelNum->text().toStdString());
  std::filesystem::path file = reports::defaultProtocolPath(fileName);
  if (reports::protocolExists(fileName)) {
    QFileDialog dialog(this, {}, QString::fromStdString(reports::protocolFolder(programFolder()).string()));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({"Excel (*.xls)", "Excel (*.xlsx)"});
    dialog.setDefaultSuffix("xls");
    // A protocol of this number exists: without a confirmed choice nothing is overwritten.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    file = reports::chosenProtocolPath(dialog.selectedFiles().front().toStdString());
  }
  const reports::ProtocolWriteResult result = reports::writeXlsxProtocol(protocol(), file);
  if (!result.ok()) {
    QMessageBox::critical(this, "Ошибка",
                          QString("Протокол не сохранён в файл «%1»: %2")
                              .arg(QString::fromStdString(file.string()), QString::fromStdString(result.error)));
  }
}

void TMainForm::btnPrintClick() {
  const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
  if (printer.isNull()) {
    QMessageBox::information(this, windowTitle(), "Принтер не установлен: протокол напечатать нельзя.");
    return;
  }
  QPrinter job(printer);
  printProtocol(job);
}

void TMainForm::printProtocol(QPrinter& printer) const { paintProtocol(protocol(), printer); }

}  // namespace tarvelo::app
