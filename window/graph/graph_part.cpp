#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "window/widgets/field_name.h"
#include "window/widgets/file_path.h"
#include "window/graph/gif_image.h"
#include "window/graph/graph_part.h"
#include "window/graph/graph_window.h"
#include "window/widgets/window_place.h"
#include "window/graph/jpeg_picture.h"
#include "window/widgets/line_chart.h"
#include "window/widgets/print_failure.h"
#include "session/weighing_session.h"
#include "link/partial_file.h"
#include "window/widgets/replace_question.h"
#include "window/graph/up_down.h"
#include "ui_main_form.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"
#include "weighing/statistics.h"

namespace tarvelo::window {

namespace {

const QString kJpegFilter = QStringLiteral("JPEG (*.jpg)");
const QString kGifFilter = QStringLiteral("GIF (*.gif)");
// Each format's extensions, the first the one a saved name gets.
const QStringList kJpegExtensions{QStringLiteral("jpg"), QStringLiteral("jpeg")};
const QStringList kGifExtensions{QStringLiteral("gif")};
constexpr int kStartNumMinimum = 1;
constexpr int kLastNumMinimum = 2;
constexpr int kSpinnerMaximum = 32767;
// The writers say only whether they wrote; SaveGraphClick names the file to the user.
constexpr char kPictureNotWritten[] = "picture not written";

const QStringList& extensionsOf(bool gif) { return gif ? kGifExtensions : kJpegExtensions; }

// The chosen format wins: a name keeps an extension of its format, loses one of the
// other format and gets its format's, so a file's extension always tells its contents.
QString graphFileName(const QString& path, bool gif) {
  const QStringList& own = extensionsOf(gif);
  const QStringList& other = extensionsOf(!gif);
  const QString suffix = QFileInfo(path).suffix();
  if (own.contains(suffix, Qt::CaseInsensitive)) return path;
  const QString stem = other.contains(suffix, Qt::CaseInsensitive) ? path.chopped(suffix.size() + 1) : path;
  return stem + '.' + own.front();
}

QList<QPointF> pointsOf(const std::vector<weighing::GraphPoint>& points) {
  QList<QPointF> xy;
  for (const auto& point : points) xy.append({point.x, point.y});
  return xy;
}

// A range field's name: the row's caption and the field's own label ("с", "по").
QString rangeFieldName(const QLabel* caption, const QLabel* label) {
  return fieldName(caption->text()) + " " + fieldName(label->text());
}

}  // namespace

GraphPart::GraphPart(Ui::TMainForm& ui, session::WeighingSession& session, WindowPlace& place, QMainWindow* mainWindow)
    : QObject(mainWindow), ui(&ui), session_(session), mainWindow_(mainWindow), place_(place) {
  setUpChart();
  window_ = makeGraphWindow(ui.ChPrPanel, ui.ChartPanel, mainWindow);
  action_ = new QAction("График", mainWindow);
  action_->setObjectName("GraphAction");
  action_->setEnabled(false);
  connect(action_, &QAction::triggered, this, &GraphPart::AppButtonClick);
  connect(ui.AppButton, &QPushButton::clicked, this, &GraphPart::AppButtonClick);
  connect(ui.ShowGraph, &QPushButton::clicked, this, &GraphPart::ShowGraphClick);
  connect(ui.SaveGraph, &QPushButton::clicked, this, &GraphPart::SaveGraphClick);
  connect(ui.PrintGraph, &QPushButton::clicked, this, &GraphPart::PrintGraphClick);
  connect(ui.StartNum, &QLineEdit::editingFinished, this, &GraphPart::StartNumExit);
  connect(ui.LastNum, &QLineEdit::editingFinished, this, &GraphPart::LastNumExit);
  connect(ui.LastNum, &QLineEdit::textChanged, this, &GraphPart::LastNumChange);
  startNumSpinner = new UpDown(ui.UpDown1, ui.StartNum, kStartNumMinimum, kSpinnerMaximum, true);
  new UpDown(ui.UpDown2, ui.LastNum, kLastNumMinimum, kSpinnerMaximum, false);
  // A screen reader names them as a refusal does.
  ui.StartNum->setAccessibleName(rangeFieldName(ui.Label11, ui.Label12));
  ui.LastNum->setAccessibleName(rangeFieldName(ui.Label11, ui.Label13));
  connect(startNumSpinner, &UpDown::clicked, this, &GraphPart::UpDown1Click);
}

const weighing::MeasurementStore& GraphPart::store() const { return session_.measurements(); }

void GraphPart::refresh() {
  ui->AppButton->setEnabled(store().appButtonEnabled);
  action_->setEnabled(store().appButtonEnabled);
  showChart();
}

void GraphPart::setLastNum(int lastNum) { ui->LastNum->setText(QString::number(lastNum)); }

void GraphPart::setUpChart() {
  Series1 = ui->Chart1->addSeries(Qt::red);
  Series3 = ui->Chart1->addSeries(Qt::blue);
}

void GraphPart::showChart() {
  const QList<QPointF> readings = pointsOf(store().series.readings);
  const QList<QPointF> trend = pointsOf(store().series.trend);
  ui->Chart1->setPoints(Series1, readings);
  ui->Chart1->setPoints(Series3, trend);
  const QList<QPointF> all = readings + trend;
  if (all.isEmpty()) return;
  const auto [minX, maxX] = std::minmax_element(all.begin(), all.end(), [](auto a, auto b) { return a.x() < b.x(); });
  const auto [minY, maxY] = std::minmax_element(all.begin(), all.end(), [](auto a, auto b) { return a.y() < b.y(); });
  ui->Chart1->setRange(Qt::Horizontal, minX->x(), std::max(maxX->x(), minX->x() + 1));
  const double margin = std::max((maxY->y() - minY->y()) * 0.1, 0.01);
  ui->Chart1->setRange(Qt::Vertical, minY->y() - margin, maxY->y() + margin);
}

void GraphPart::AppButtonClick() {
  ui->LastNum->setText(QString::number(store().StrGrid1.rowCount() - 1));
  place_.put(*window_, window_->sizeHint(), *mainWindow_->screen());
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void GraphPart::tellBadNumber(const QString& text, const QString& field) {
  QMessageBox::critical(mainWindow_, mainWindow_->windowTitle(), session::notANumberText(text, field));
}

std::optional<int> GraphPart::rangeNumber(const QLineEdit* field) {
  try {
    return weighing::parseInteger(field->text().toStdString());
  } catch (const weighing::ConversionError& error) {
    const QLabel* label = field == ui->StartNum ? ui->Label12 : ui->Label13;
    tellBadNumber(QString::fromStdString(error.text()), rangeFieldName(ui->Label11, label));
    return std::nullopt;
  }
}

void GraphPart::ShowGraphClick() {
  const std::optional<int> startNum = rangeNumber(ui->StartNum);
  if (!startNum) return;
  const std::optional<int> lastNum = rangeNumber(ui->LastNum);
  if (!lastNum) return;
  try {
    const weighing::GraphRange range = session_.showGraphRange(*startNum, *lastNum);
    ui->LastNum->setText(QString::number(range.lastNum));
    if (!range.drawn) {
      QMessageBox box(QMessageBox::NoIcon, "Ошибка!",
                      "Номер первого измерения должен быть меньше номера последнего измерения!", QMessageBox::Ok, mainWindow_);
      box.exec();
      return;
    }
  } catch (const weighing::ConversionError& error) {
    // A text of the grids, not of a field.
    tellBadNumber(QString::fromStdString(error.text()), {});
    return;
  }
  showChart();
}

void GraphPart::LastNumExit() {
  const std::optional<int> lastNum = rangeNumber(ui->LastNum);
  if (lastNum && *lastNum > store().recordNumber) ui->LastNum->setText(QString::number(store().recordNumber));
}

void GraphPart::LastNumChange() {
  // A text that is not a number yet is being typed; leaving the field reports it.
  bool isNumber = false;
  const int last = ui->LastNum->text().toInt(&isNumber);
  const int listed = store().StrGrid1.rowCount() - 1;
  if (isNumber && last > listed) ui->LastNum->setText(QString::number(listed));
}

void GraphPart::StartNumExit() {
  const std::optional<int> startNum = rangeNumber(ui->StartNum);
  if (startNum && *startNum > store().recordNumber - 1) ui->StartNum->setText(QString::number(store().recordNumber - 1));
}

void GraphPart::UpDown1Click() { startNumSpinner->setMaximum(store().recordNumber); }

void GraphPart::SaveGraphClick() {
  QFileDialog dialog(mainWindow_, {}, "Graph");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({kJpegFilter, kGifFilter});
  // A name typed without an extension gets the chosen one before the dialog checks for a file to replace.
  dialog.setDefaultSuffix(extensionsOf(false).front());
  connect(&dialog, &QFileDialog::filterSelected, &dialog,
          [&dialog](const QString& filter) { dialog.setDefaultSuffix(extensionsOf(filter == kGifFilter).front()); });
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const bool gif = dialog.selectedNameFilter() == kGifFilter;
  const QString chosen = dialog.selectedFiles().front();
  const QString written = graphFileName(chosen, gif);
  if (!mayWriteInstead(mainWindow_, chosen, written)) return;
  if (!saveGraph(chosen, gif)) {
    QMessageBox::critical(mainWindow_, mainWindow_->windowTitle(), QString("Не удалось сохранить график в файл «%1».").arg(written));
  }
}

bool GraphPart::saveGraph(const QString& path, bool gif) {
  const QImage picture = ui->Chart1->grab().toImage();
  const auto write = gif ? writeGif : writeJpeg;
  // Written beside and renamed into place: a failed save leaves the file it was to replace.
  const std::optional<link::Failure> failure = link::writeInPlace(
      toPath(graphFileName(path, gif)), [&](const std::filesystem::path& partial) {
        return write(picture, toQString(partial)) ? std::nullopt : std::optional(link::Failure{.message = kPictureNotWritten});
      });
  return !failure;
}

void GraphPart::PrintGraphClick() {
  const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
  if (printer.isNull()) {
    QMessageBox::information(mainWindow_, mainWindow_->windowTitle(), "Принтер не установлен: график напечатать нельзя.");
    return;
  }
  QPrinter job(printer);
  job.setDocName("Chart1");
  if (!printGraph(job)) reportPrintFailure(mainWindow_, job);
}

bool GraphPart::printGraph(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // Stretched to the page, not kept in proportion.
  const QRect page = painter.viewport();
  painter.scale(static_cast<double>(page.width()) / ui->Chart1->width(),
                static_cast<double>(page.height()) / ui->Chart1->height());
  ui->Chart1->render(&painter);
  return painter.end() && printer.printerState() != QPrinter::Error;
}

}  // namespace tarvelo::window
