#include "window/protocol/protocol_part.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QLineEdit>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <filesystem>
#include <optional>

#include "window/widgets/file_path.h"
#include "window/widgets/print_failure.h"
#include "window/protocol/installed_program.h"
#include "window/protocol/protocol_painter.h"
#include "window/widgets/replace_question.h"
#include "session/weighing_session.h"
#include "journal/journal_head.h"
#include "reports/protocol_file_name.h"
#include "reports/xlsx_protocol_writer.h"
#include "link/utf8_path.h"
#include "ui_main_form.h"

namespace tarvelo::window {

namespace {

// The earlier .xls protocols are listed as well; whatever is chosen is saved as .xlsx.
inline constexpr char kWorkbookFilter[] = "Excel (*.xlsx)";
inline constexpr char kOldWorkbookFilter[] = "Excel (*.xls)";
inline constexpr char kWorkbookSuffix[] = "xlsx";
inline constexpr char kPdfFilter[] = "PDF (*.pdf)";

// Beside the program in its build folder; in the user's documents once it is installed.
std::filesystem::path protocolsHome() {
  const QString program = QCoreApplication::applicationDirPath();
  return reports::protocolsHome(toPath(program), runsInstalled(program),
                                toPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)));
}

// The file to save a protocol in when one of its number exists; none when the user has not
// chosen one. Nothing is replaced without a question about that very file: the dialog asks
// about the name chosen in it, so a file saved under another name is asked about here.
std::optional<std::filesystem::path> chooseProtocolFile(QWidget* parent) {
  QFileDialog dialog(parent, {}, toQString(reports::protocolFolder(protocolsHome())));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({kWorkbookFilter, kOldWorkbookFilter});
  dialog.setDefaultSuffix(kWorkbookSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog.selectedFiles().front();
  const std::filesystem::path file = reports::chosenProtocolPath(toPath(chosen));
  if (!mayWriteInstead(parent, chosen, toQString(file))) return std::nullopt;
  return file;
}

}  // namespace

ProtocolPart::ProtocolPart(const Ui::TMainForm& ui, const session::WeighingSession& session, QWidget* window)
    : ui(&ui), session_(session), window_(window) {}

reports::SpreadsheetProtocol ProtocolPart::protocol() const {
  const link::WeightReading& balance = session_.lastReading();
  const auto modelEnd = std::find(balance.model.begin(), balance.model.end(), '\0');
  const weighing::MeasurementStore& store = session_.measurements();
  reports::SpreadsheetProtocol protocol = reports::BuildSpreadsheetProtocol({store.sgRes, store.sgTotal, ui->eLabelNum->text().toStdString(),
                                            ui->eUnit->text().toStdString(), ui->ePerson->text().toStdString(),
                                            ui->cbWTime->currentText().toStdString(),
                                            QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString(),
                                            std::string(balance.model.begin(), modelEnd), balance.serialNumber});
  // The journal's head as the protocol is made: a copy of it outside the journal.
  if (const auto head = session_.journalHead()) protocol.note = journal::printedHead(*head);
  return protocol;
}

void ProtocolPart::ApplyButton1Click() {
  const auto fileName = reports::protocolFileName(protocolsHome(), ui->eLabelNum->text().toStdString());
  if (!fileName) {
    QMessageBox::warning(window_, window_->windowTitle(), "Укажите номер протокола.");
    return;
  }
  std::optional<std::filesystem::path> file = reports::defaultProtocolPath(*fileName);
  if (reports::protocolExists(*fileName)) file = chooseProtocolFile(window_);
  if (!file) return;
  if (const std::optional<link::Failure> failure = reports::writeXlsxProtocol(protocol(), *file)) {
    QMessageBox::critical(window_, "Ошибка",
                          QString::fromStdString("Не удалось сохранить протокол в файл " + link::utf8Text(*file) +
                                                 ": " + failure->message));
  }
}

void ProtocolPart::btnPrintClick() {
  const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
  if (printer.isNull()) {
    printToPdf();
    return;
  }
  QPrinter job(printer);
  job.setDocName(ui->eLabelNum->text());
  if (!printProtocol(job)) reportPrintFailure(window_, job);
}

void ProtocolPart::printToPdf() {
  if (QMessageBox::question(window_, window_->windowTitle(),
                            "Принтер не установлен. Сохранить протокол в файл PDF, чтобы напечатать его потом?") !=
      QMessageBox::Yes) {
    return;
  }
  const QString suggested = QDir(toQString(reports::protocolFolder(protocolsHome()))).filePath(ui->eLabelNum->text() + ".pdf");
  const QString file = QFileDialog::getSaveFileName(window_, "Сохранить протокол в PDF", suggested, kPdfFilter);
  if (file.isEmpty()) return;
  QPrinter job;
  job.setOutputFormat(QPrinter::PdfFormat);
  job.setPageSize(QPageSize(QPageSize::A4));
  job.setOutputFileName(file);
  job.setDocName(ui->eLabelNum->text());
  if (!printProtocol(job)) reportPrintFailure(window_, job);
}

bool ProtocolPart::printProtocol(QPrinter& printer) const {
  return paintProtocol(protocol(), printer) && printer.printerState() != QPrinter::Error;
}

}  // namespace tarvelo::window
