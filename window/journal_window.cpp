#include "window/journal_window.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "journal/export_file.h"
#include "window/line_chart.h"

namespace tarvelo::app {

namespace {

enum Column { ObjectColumn, WeighingsColumn, LastColumn, ReferenceColumn, ChangeColumn, ShareColumn, kColumns };
const QStringList kHeadings{"Объект", "Взвешиваний", "Последний вес, г", "Исходный вес, г", "Изменение, г",
                            "Изменение, %"};
const QColor kMarked(255, 205, 205);
constexpr double kChartMarginShare = 0.1;
constexpr int kDefaultPeriodDays = 30;
constexpr double kSecondsPerDay = 24 * 60 * 60;
const QString kCsvFilter = "CSV (*.csv)";
const QString kSheetFilter = "Книга .xlsx (*.xlsx)";

QString grams(const std::optional<double>& value) {
  return value ? QLocale().toString(*value, 'f', 2) : QString();
}

// Coloured, and bold so that the mark shows in the selected row too.
void markBelowAlert(QTableWidgetItem& item, double alertShare) {
  item.setBackground(kMarked);
  QFont bold = item.font();
  bold.setBold(true);
  item.setFont(bold);
  item.setToolTip(QString("Последний вес ниже %1 % исходного").arg(QLocale().toString(alertShare)));
}

}  // namespace

JournalWindow::JournalWindow(std::filesystem::path journal, std::function<JournalContext()> context,
                             std::function<double()> alertShare, QWidget* parent)
    : QDialog(parent), path_(std::move(journal)), context_(std::move(context)), alertShare_(alertShare) {
  setObjectName("JournalWindow");
  setWindowTitle("Журнал взвешиваний");
  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName("JournalObjects");
  table_->setHorizontalHeaderLabels(kHeadings);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  chart_ = new LineChart(this);
  chart_->setObjectName("JournalChart");
  chart_->setMinimumHeight(200);
  weights_ = chart_->addSeries(Qt::blue, true);
  chartCaption_ = new QLabel(this);
  chartCaption_->setObjectName("JournalChartCaption");
  chain_ = new QLabel(this);
  chain_->setObjectName("JournalChain");
  auto* reference = new QPushButton("Принять за исходный", this);
  reference->setObjectName("TakeReferenceButton");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chain_, 1);
  buttons->addWidget(reference);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addWidget(chartCaption_);
  layout->addWidget(chart_, 1);
  layout->addLayout(buttons);
  layout->addWidget(makeExportChoices());
  resize(720, 600);
  connect(table_, &QTableWidget::itemSelectionChanged, this, &JournalWindow::showHistory);
  connect(reference, &QPushButton::clicked, this, &JournalWindow::takeAsReference);
}

QWidget* JournalWindow::makeExportChoices() {
  auto* box = new QGroupBox("Экспорт результатов", this);
  chosenObjectOnly_ = new QCheckBox("Только выбранный объект", box);
  chosenObjectOnly_->setObjectName("JournalExportObjectOnly");
  period_ = new QCheckBox("За период с", box);
  period_->setObjectName("JournalExportPeriod");
  const QDate today = QDate::currentDate();
  from_ = new QDateEdit(today.addDays(-kDefaultPeriodDays), box);
  from_->setObjectName("JournalExportFrom");
  to_ = new QDateEdit(today, box);
  to_->setObjectName("JournalExportTo");
  for (QDateEdit* date : {from_, to_}) {
    date->setCalendarPopup(true);
    date->setEnabled(false);
    connect(period_, &QCheckBox::toggled, date, &QWidget::setEnabled);
  }
  auto* exporting = new QPushButton("Экспорт…", box);
  exporting->setObjectName("JournalExportButton");
  connect(exporting, &QPushButton::clicked, this, &JournalWindow::exportClick);
  auto* row = new QHBoxLayout(box);
  row->addWidget(chosenObjectOnly_);
  row->addSpacing(12);
  row->addWidget(period_);
  row->addWidget(from_);
  row->addWidget(new QLabel("по", box));
  row->addWidget(to_);
  row->addStretch(1);
  row->addWidget(exporting);
  return box;
}

void JournalWindow::refresh() {
  std::string error;
  const auto journal = journal::Journal::open(path_, error);
  objects_ = journal ? journal->objects() : std::vector<journal::ObjectSummary>{};
  table_->setRowCount(static_cast<int>(objects_.size()));
  const double alertShare = alertShare_();
  for (int row = 0; row < table_->rowCount(); ++row) {
    const journal::ObjectSummary& object = objects_[static_cast<size_t>(row)];
    const auto share = journal::lastShareOfReference(object);
    const std::optional<double> change =
        object.lastGrams && object.referenceGrams ? std::optional(*object.lastGrams - *object.referenceGrams)
                                                  : std::nullopt;
    const QStringList texts{QString::fromStdString(object.object), QString::number(object.weighings),
                            grams(object.lastGrams), grams(object.referenceGrams), grams(change),
                            share ? QLocale().toString(*share - 100.0, 'f', 1) : QString()};
    const bool marked = share && *share < alertShare;
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QTableWidgetItem(texts[column]);
      if (marked) markBelowAlert(*item, alertShare);
      table_->setItem(row, column, item);
    }
  }
  if (!journal) {
    chain_->setText(QString("Журнал не открыт: %1").arg(QString::fromStdString(error)));
    return;
  }
  const journal::Verification verification = journal->verify();
  chain_->setText(verification.firstBroken
                      ? QString("Цепочка подписей нарушена: запись № %1 изменена или удалена запись перед ней.")
                            .arg(*verification.firstBroken)
                      : QString("Цепочка подписей цела: записей %1.").arg(verification.records));
}

void JournalWindow::showHistory() {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(objects_.size())) return;
  std::string error;
  const auto journal = journal::Journal::open(path_, error);
  if (!journal) return;
  const std::string& object = objects_[static_cast<size_t>(row)].object;
  // Days since the first weighing across, grams up.
  QList<QPointF> points;
  QDateTime first;
  for (const journal::JournalRecord& result : journal->standingResults(journal::RecordFilter{object, {}, {}})) {
    const QDateTime time = QDateTime::fromString(QString::fromStdString(result.local), kLocalTimeFormat);
    if (!result.grams || !time.isValid()) continue;
    if (!first.isValid()) first = time;
    points.append({first.secsTo(time) / kSecondsPerDay, *result.grams});
  }
  chart_->setPoints(weights_, points);
  chartCaption_->setText(points.isEmpty() ? QString()
                                          : QString("%1: вес, г, по суткам от %2")
                                                .arg(QString::fromStdString(object),
                                                     QLocale().toString(first, QLocale::ShortFormat)));
  if (points.isEmpty()) return;
  const auto [lightest, heaviest] = std::minmax_element(points.begin(), points.end(),
                                                        [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
  const double margin = std::max((heaviest->y() - lightest->y()) * kChartMarginShare, 0.5);
  chart_->setRange(Qt::Horizontal, 0, std::max(points.last().x(), 1.0));
  chart_->setRange(Qt::Vertical, lightest->y() - margin, heaviest->y() + margin);
}

void JournalWindow::takeAsReference() {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(objects_.size())) return;
  const std::string object = objects_[static_cast<size_t>(row)].object;
  std::string error;
  const auto journal = journal::Journal::open(path_, error);
  const auto results = journal ? journal->standingResults(journal::RecordFilter{object, {}, {}})
                               : std::vector<journal::JournalRecord>{};
  if (results.empty()) return;
  journal::JournalRecord reference = referenceRecord(results.back().id, object, context_(), QDateTime::currentDateTime());
  if (const auto refused = journal->append(reference)) {
    QMessageBox::warning(this, windowTitle(),
                         QString("Исходный вес не записан: %1").arg(QString::fromStdString(*refused)));
    return;
  }
  refresh();
  table_->selectRow(row);
}

journal::RecordFilter JournalWindow::exportFilter() const {
  journal::RecordFilter filter;
  const int row = table_->currentRow();
  if (chosenObjectOnly_->isChecked() && row >= 0 && row < static_cast<int>(objects_.size()))
    filter.object = objects_[static_cast<size_t>(row)].object;
  if (period_->isChecked()) {
    filter.fromDate = from_->date().toString(kLocalDateFormat).toStdString();
    filter.toDate = to_->date().toString(kLocalDateFormat).toStdString();
  }
  return filter;
}

std::optional<QString> JournalWindow::exportTo(const QString& file) const {
  std::string error;
  const auto journal = journal::Journal::open(path_, error);
  if (!journal) return QString::fromStdString(error);
  const std::string failure = journal::exportResults(journal->standingResults(exportFilter()),
                                                     journal::ExportStyle::Russian, file.toStdU16String());
  return failure.empty() ? std::nullopt : std::optional(QString::fromStdString(failure));
}

void JournalWindow::exportClick() {
  QString filter = kCsvFilter;
  QString file = QFileDialog::getSaveFileName(this, "Экспорт результатов", "журнал.csv",
                                              kCsvFilter + ";;" + kSheetFilter, &filter);
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) file += filter == kSheetFilter ? ".xlsx" : ".csv";
  if (const auto failure = exportTo(file)) {
    QMessageBox::warning(this, windowTitle(), QString("Файл «%1» не записан: %2").arg(file, *failure));
  }
}

}  // namespace tarvelo::app
