#pragma once

#include <QByteArray>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelo::journal {

// What keeps a cell from giving a value: a sheet's error value ("#N/A"), or a formula whose
// value the sheet program did not save.
enum class CellFlaw { None, Error, FormulaWithoutValue };

// A cell of a list read from a file: its text, and a sheet's number cell its value too. The
// text points into what its table keeps: the file, a workbook's shared strings, or a text
// of its own; a string a thousand cells share is kept once.
struct TableCell {
  std::string_view text;
  std::optional<double> number{};
  CellFlaw flaw = CellFlaw::None;
};

// A row of the list: its cells by column from 0, and the line (CSV) or sheet row it begins
// on, from 1, for a person to find it by.
struct TableRow {
  int line = 0;
  std::vector<TableCell> cells;
};

// The rows of a file or a sheet, with what their cells' texts point into.
struct Table {
  std::vector<TableRow> rows;
  // CSV: every row has a cell for each column, and one with more or fewer is broken.
  bool fixedWidth = false;
  char separator = 0;        // CSV's
  std::string source;        // "UTF-8", "Windows-1251", or the sheet's name
  bool date1904 = false;     // the workbook counts its date numbers from 1904
  QByteArray text;           // CSV: the file's text in UTF-8
  std::deque<std::string> own;  // texts no source holds as they are
  std::shared_ptr<const std::vector<std::string>> shared;  // a workbook's shared strings
};

// How many cells a list may have in all, and in one row: far more than any colony's list
// (100,000 animals of a dozen columns), and far fewer than would take the memory.
inline constexpr size_t kMaxTableCells = 4'000'000;
inline constexpr size_t kMaxRowCells = 256;

}  // namespace tarvelo::journal
