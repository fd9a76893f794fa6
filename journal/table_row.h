#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvelo::journal {

// A cell of a list read from a file: its text, and a sheet's number cell its value too.
struct TableCell {
  std::string text;
  std::optional<double> number{};
};

// A row of the list: its cells by column from 0, and the line (CSV) or sheet row it begins
// on, from 1, for a person to find it by.
struct TableRow {
  int line = 0;
  std::vector<TableCell> cells;
};

}  // namespace tarvelo::journal
