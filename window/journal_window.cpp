#include "window/journal_window.h"

#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "journal/csv_export.h"
#include "window/line_chart.h"

namespace tarvelo::app {

namespace {

enum Column { ObjectColumn, WeighingsColumn, LastColumn, ReferenceColumn, ChangeColumn, ShareColumn, kColumns };
const QStringList kHeadings{"Объект", "Взвешиваний", "Последний вес, г", "Исходный вес, г", "Изменение, г",
                            "Изменение, %"};
const QColor kMarked(255, 205, 205);
constexpr double kChartMarginShare = 0.1;

QString grams(const std::optional<double>& value) {
  return value ? QLocale().toString(*value, 'f', 2) : QString();
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
  weights_ = chart_->addSeries(Qt::blue);
  chain_ = new QLabel(this);
  chain_->setObjectName("JournalChain");
  auto* reference = new QPushButton("Принять за исходный", this);
  reference->setObjectName("TakeReferenceButton");
  auto* exporting = new QPushButton("Экспорт…", this);
  exporting->setObjectName("JournalExportButton");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chain_, 1);
  buttons->addWidget(reference);
  buttons->addWidget(exporting);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addWidget(chart_, 1);
  layout->addLayout(buttons);
  resize(720, 560);
  connect(table_, &QTableWidget::itemSelectionChanged, this, &JournalWindow::showHistory);
  connect(reference, &QPushButton::clicked, this, &JournalWindow::takeAsReference);
  connect(exporting, &QPushButton::clicked, this, &JournalWindow::exportClick);
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
      if (marked) item->setBackground(kMarked);
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
  QList<QPointF> points;
  for (const journal::JournalRecord& result :
       journal->standingResults(journal::RecordFilter{objects_[static_cast<size_t>(row)].object, {}, {}})) {
    if (result.grams) points.append({static_cast<double>(points.size() + 1), *result.grams});
  }
  chart_->setPoints(weights_, points);
  if (points.isEmpty()) return;
  const auto [lightest, heaviest] = std::minmax_element(points.begin(), points.end(),
                                                        [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
  const double margin = std::max((heaviest->y() - lightest->y()) * kChartMarginShare, 0.5);
  chart_->setRange(Qt::Horizontal, 1, std::max<double>(points.size(), 2));
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

std::optional<QString> JournalWindow::exportTo(const QString& file) const {
  std::string error;
  const auto journal = journal::Journal::open(path_, error);
  if (!journal) return QString::fromStdString(error);
  const std::string csv = journal::csvOf(journal->standingResults(), journal::CsvStyle::Russian);
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      out.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size()) || !out.flush()) {
    return out.errorString();
  }
  return std::nullopt;
}

void JournalWindow::exportClick() {
  const QString file = QFileDialog::getSaveFileName(this, "Экспорт результатов", "журнал.csv", "CSV (*.csv)");
  if (file.isEmpty()) return;
  if (const auto failure = exportTo(file)) {
    QMessageBox::warning(this, windowTitle(), QString("Файл «%1» не записан: %2").arg(file, *failure));
  }
}

}  // namespace tarvelo::app
