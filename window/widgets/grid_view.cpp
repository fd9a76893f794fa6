#include "window/widgets/grid_view.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

#include "weighing/text_grid.h"

namespace tarvelo::window {

namespace {

constexpr int kHeadingPadding = 12;
const char* const kShownHeadings = "tarveloShownHeadings";

// The heading broken at the blank that leaves the narrower longest line.
QString wrapped(const QString& heading, const QFontMetrics& metrics) {
  QString best = heading;
  int bestWidth = metrics.horizontalAdvance(heading);
  for (int i = heading.indexOf(' '); i >= 0; i = heading.indexOf(' ', i + 1)) {
    const int width = std::max(metrics.horizontalAdvance(heading.left(i)), metrics.horizontalAdvance(heading.mid(i + 1)));
    if (width < bestWidth) {
      bestWidth = width;
      best = heading.left(i) + '\n' + heading.mid(i + 1);
    }
  }
  return best;
}

QStringList fittedHeadings(QTableWidget* table, const QStringList& headings) {
  const QFontMetrics metrics(table->horizontalHeader()->font());
  int spare = table->viewport()->width();
  for (int column = 0; column < table->columnCount(); ++column) spare -= table->columnWidth(column);
  QStringList fitted;
  bool twoLines = false;
  for (int column = 0; column < headings.size(); ++column) {
    const int missing = metrics.horizontalAdvance(headings[column]) + kHeadingPadding - table->columnWidth(column);
    if (missing > 0 && missing <= spare) {
      table->setColumnWidth(column, table->columnWidth(column) + missing);
      spare -= missing;
    }
    const bool tooNarrow = missing > 0 && table->columnWidth(column) < metrics.horizontalAdvance(headings[column]) + kHeadingPadding;
    fitted << (tooNarrow ? wrapped(headings[column], metrics) : headings[column]);
    twoLines = twoLines || tooNarrow;
  }
  if (twoLines) table->horizontalHeader()->setFixedHeight(2 * metrics.height() + kHeadingPadding / 2);
  return fitted;
}

}  // namespace

void showGrid(QTableWidget* table, const weighing::TextGrid& grid) {
  table->setColumnCount(grid.columnCount());
  table->setRowCount(std::max(grid.rowCount() - 1, 0));
  QStringList headings;
  for (int column = 0; column < grid.columnCount(); ++column) headings << QString::fromStdString(grid.cell(column, 0));
  // Unchanged headings are left alone: setting them lays the header out anew.
  if (table->property(kShownHeadings).toStringList() != headings) {
    table->setHorizontalHeaderLabels(fittedHeadings(table, headings));
    table->setProperty(kShownHeadings, headings);
  }
  table->horizontalHeader()->setVisible(true);
  for (int row = 1; row < grid.rowCount(); ++row) {
    for (int column = 0; column < grid.columnCount(); ++column) {
      auto* item = table->item(row - 1, column);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        table->setItem(row - 1, column, item);
      }
      const QString text = QString::fromStdString(grid.cell(column, row));
      if (item->text() != text) item->setText(text);
    }
  }
  table->verticalScrollBar()->setValue(grid.topRow() - 1);
}

}  // namespace tarvelo::window
