#include "text_grid.h"

#include <algorithm>

namespace tarvelo::weighing {

namespace {

const std::string kEmpty;

}  // namespace

void TextGrid::setRowCount(int rows) {
  rowCount_ = rows;
  if (static_cast<int>(cells_.size()) > rows) cells_.resize(static_cast<std::size_t>(std::max(rows, 0)));
  topRow_ = std::clamp(topRow_, 1, std::max(1, rows - 1));
}

const std::string& TextGrid::cell(int column, int row) const {
  if (row < 0 || column < 0 || row >= static_cast<int>(cells_.size())) return kEmpty;
  const auto& cells = cells_[static_cast<std::size_t>(row)];
  return column < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(column)] : kEmpty;
}

void TextGrid::setCell(int column, int row, std::string text) {
  if (row < 0 || column < 0) return;
  if (row >= static_cast<int>(cells_.size())) cells_.resize(static_cast<std::size_t>(row) + 1);
  auto& cells = cells_[static_cast<std::size_t>(row)];
  if (column >= static_cast<int>(cells.size())) cells.resize(static_cast<std::size_t>(column) + 1);
  cells[static_cast<std::size_t>(column)] = std::move(text);
}

void TextGrid::clearRow(int row) {
  if (row >= 0 && row < static_cast<int>(cells_.size())) cells_[static_cast<std::size_t>(row)].clear();
}

void TextGrid::copyRow(int from, int to) {
  clearRow(to);
  const int columns = from >= 0 && from < static_cast<int>(cells_.size())
                          ? static_cast<int>(cells_[static_cast<std::size_t>(from)].size())
                          : 0;
  for (int column = 0; column < columns; ++column) setCell(column, to, cell(column, from));
}

}  // namespace tarvelo::weighing
