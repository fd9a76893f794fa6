#include "window/protocol/protocol_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <algorithm>
#include <map>

namespace tarvelo::window {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMillimetresPerInch = 25.4;
// Paper left on every side, where printers may cut.
constexpr double kLeastMarginMm = 10.0;
constexpr double kDefaultRowHeightPoints = 15.0;
constexpr double kDefaultColumnWidthCharacters = 8.43;
constexpr double kCellPaddingPoints = 2.0;
constexpr int kFontPoints = 10;
constexpr int kFooterLines = 2;  // the note and a line of space above it
// The protocol is set in the first of these faces the computer has, not in the screen's
// face: that may be a dialog alias which resolves to a symbol or math face.
constexpr const char* kPrintFaces[] = {"Arial", "Liberation Sans", "DejaVu Sans"};

Qt::Alignment horizontalOf(reports::Alignment alignment) {
  switch (alignment) {
    case reports::Alignment::Centre:
      return Qt::AlignHCenter;
    case reports::Alignment::Right:
      return Qt::AlignRight;
    default:
      return Qt::AlignLeft;
  }
}

// Sizes in points: the sheet's own units.
class SheetGeometry {
 public:
  SheetGeometry(const reports::SpreadsheetProtocol& protocol, double characterWidthPoints) {
    int lastColumn = protocol.columns.last;
    for (const auto& cell : protocol.cells) lastColumn = std::max(lastColumn, cell.column);
    double x = 0.0;
    for (int column = 1; column <= lastColumn + 1; ++column) {
      columnLeft_[column] = x;
      const bool listed = column >= protocol.columns.first && column <= protocol.columns.last;
      x += (listed ? protocol.columns.widthCharacters : kDefaultColumnWidthCharacters) * characterWidthPoints;
    }
    for (const auto& row : protocol.rows) {
      if (row.heightPoints) rowHeight_[row.row] = *row.heightPoints;
    }
    width_ = columnLeft_[lastColumn + 1];
  }

  double left(int column) const { return columnLeft_.at(column); }
  double width(int column) const { return columnLeft_.at(column + 1) - columnLeft_.at(column); }
  double height(int row) const {
    const auto found = rowHeight_.find(row);
    return found != rowHeight_.end() ? found->second : kDefaultRowHeightPoints;
  }
  double sheetWidth() const { return width_; }

 private:
  std::map<int, double> columnLeft_;
  std::map<int, double> rowHeight_;
  double width_ = 0.0;
};

}  // namespace

bool paintProtocol(const reports::SpreadsheetProtocol& protocol, QPagedPaintDevice& device) {
  // The sheet's left margin, and no less than the least on each side; the painter's
  // origin is then inside them.
  const double leftMm =
      std::max(kLeastMarginMm, protocol.pageSetup.leftMarginPoints / kPointsPerInch * kMillimetresPerInch);
  device.setPageMargins(QMarginsF(leftMm, kLeastMarginMm, kLeastMarginMm, kLeastMarginMm), QPageLayout::Millimeter);
  QPainter painter;
  // A printer that cannot start the job (gone, no rights, a file it cannot write).
  if (!painter.begin(&device)) return false;
  // The painter draws in points once scaled below, so the font is sized in those units.
  QFont font;
  font.setFamilies(QStringList(std::begin(kPrintFaces), std::end(kPrintFaces)));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kFontPoints);
  const double characterWidth = QFontMetricsF(font).horizontalAdvance('0');
  const SheetGeometry sheet(protocol, characterWidth);

  // Points to device pixels, shrunk so the sheet fits one page wide between the margins.
  const double pointsToDevice = device.logicalDpiX() / kPointsPerInch;
  const double pageWidth = painter.viewport().width();
  const double scale = std::min(pointsToDevice, pageWidth / sheet.sheetWidth());
  // The note, when there is one, at the foot of every page.
  const double footerHeight = protocol.note.empty() ? 0.0 : kFontPoints * kFooterLines;
  const double pageHeight = painter.viewport().height() / scale - footerHeight;

  std::map<int, const reports::ProtocolRow*> rowFormats;
  for (const auto& row : protocol.rows) rowFormats[row.row] = &row;
  int lastRow = 0;
  for (const auto& cell : protocol.cells) lastRow = std::max(lastRow, cell.row);

  // Pages after the first start with the title rows, as the sheet prints them.
  const reports::ProtocolPageSetup& setup = protocol.pageSetup;
  double titleHeight = 0.0;
  for (int row = setup.firstTitleRow; row <= setup.lastTitleRow; ++row) titleHeight += sheet.height(row);

  std::map<int, double> rowTop;
  std::map<int, int> pageOfRow;
  double y = 0.0;
  int pageFirstRow = 1;
  int page = 0;
  for (int row = 1; row <= lastRow; ++row) {
    if (y + sheet.height(row) > pageHeight && row > pageFirstRow) {
      ++page;
      y = titleHeight;
      pageFirstRow = row;
    }
    rowTop[row] = y;
    pageOfRow[row] = page;
    y += sheet.height(row);
  }

  painter.scale(scale, scale);
  const auto paintRow = [&](int row, double top) {
    const auto format = rowFormats.find(row);
    for (const auto& cell : protocol.cells) {
      if (cell.row != row) continue;
      const QRectF box(sheet.left(cell.column), top, sheet.width(cell.column), sheet.height(row));
      font.setBold(cell.bold);
      painter.setFont(font);
      Qt::Alignment alignment = horizontalOf(cell.alignment);
      if (cell.alignment == reports::Alignment::General && format != rowFormats.end()) {
        alignment = horizontalOf(format->second->alignment);
      }
      alignment |= Qt::AlignVCenter;
      int flags = static_cast<int>(alignment);
      // As on a sheet: a wrapped cell keeps its text inside, any other runs over its neighbours.
      flags |= format != rowFormats.end() && format->second->wrap ? Qt::TextWordWrap : Qt::TextDontClip;
      painter.drawText(box.adjusted(kCellPaddingPoints, 0, -kCellPaddingPoints, 0), flags,
                       QString::fromStdString(cell.text));
      if (cell.framed) painter.drawRect(box);
    }
  };
  const auto paintFooter = [&] {
    if (protocol.note.empty()) return;
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRectF(0.0, pageHeight, sheet.sheetWidth(), footerHeight), Qt::AlignLeft | Qt::AlignBottom,
                     QString::fromStdString(protocol.note));
  };
  int currentPage = 0;
  for (int row = 1; row <= lastRow; ++row) {
    if (pageOfRow[row] != currentPage) {
      paintFooter();
      if (!device.newPage()) return false;
      currentPage = pageOfRow[row];
      double top = 0.0;
      for (int title = setup.firstTitleRow; title <= setup.lastTitleRow; ++title) {
        paintRow(title, top);
        top += sheet.height(title);
      }
    }
    paintRow(row, rowTop[row]);
  }
  paintFooter();
  return painter.end();
}

}  // namespace tarvelo::window
