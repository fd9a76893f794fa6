#pragma once

#include <string>
#include <vector>

namespace tarvelo::weighing {

// A grid of cell texts, addressed (column, row) with row 0 the title row. Cells may
// be written beyond the row count and show once the grid grows to them; shrinking
// the grid drops the rows it loses. Reading outside the written cells gives "".
class TextGrid {
 public:
  TextGrid(int columns, int rows) : columnCount_(columns), rowCount_(rows) {}

  int columnCount() const { return columnCount_; }
  int rowCount() const { return rowCount_; }
  void setColumnCount(int columns) { columnCount_ = columns; }
  void setRowCount(int rows);

  const std::string& cell(int column, int row) const;
  void setCell(int column, int row, std::string text);
  void clearRow(int row);
  // Row `to` takes every cell of row `from`.
  void copyRow(int from, int to);

  // The first data row in view; the window follows it.
  int topRow() const { return topRow_; }
  void scrollDown() { ++topRow_; }

 private:
  int columnCount_;
  int rowCount_;
  int topRow_ = 1;
  std::vector<std::vector<std::string>> cells_;  // [row][column], grown on write
};

}  // namespace tarvelo::weighing
