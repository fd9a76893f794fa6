#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "weighing/text_grid.h"

namespace tarvelo::reports {

// Horizontal alignment of a cell or a whole row; General leaves it to the cell's value.
enum class Alignment { General, Left, Centre, Right };

// One written cell of the protocol sheet; rows and columns count from 1 (column 1 = A).
// Framed means a thin continuous line on all four edges.
struct ProtocolCell {
  int row;
  int column;
  std::string text;
  bool bold;
  bool framed;
  Alignment alignment;

  bool operator==(const ProtocolCell&) const = default;
};

// Formatting of a whole row; cells written into the row take its vertical alignment and
// wrapping as well.
struct ProtocolRow {
  int row;
  Alignment alignment;
  std::optional<double> heightPoints;  // empty: the sheet's default height
  bool verticalCentre;
  bool wrap;
};

// Columns first to last (1 = A) share one width in character widths.
struct ProtocolColumns {
  int first;
  int last;
  double widthCharacters;
};

// Printing: the sheet is scaled to this many pages across, as many down as it needs.
struct ProtocolPageSetup {
  int fitToPagesWide;
  double leftMarginPoints;
};

// The protocol sheet as data, for the file writer and the printer alike.
struct SpreadsheetProtocol {
  std::vector<ProtocolCell> cells;
  std::vector<ProtocolRow> rows;
  ProtocolColumns columns;
  ProtocolPageSetup pageSetup;
};

// What the main window shows when the protocol is made, each as the text on screen.
struct ProtocolInputs {
  const weighing::TextGrid& sgRes;
  const weighing::TextGrid& sgTotal;
  std::string eLabelNum;
  std::string eUnit;
  std::string ePerson;
  std::string cbWTime;
  std::string dateText;  // today in the system's short date format
  std::string balanceModel;
  int32_t balanceSerialNumber;
};

SpreadsheetProtocol BuildSpreadsheetProtocol(const ProtocolInputs& inputs);

}  // namespace tarvelo::reports
