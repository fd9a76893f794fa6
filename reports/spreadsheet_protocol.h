#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "weighing/text_grid.h"

namespace tarvelo::reports {

// Horizontal alignment of a cell or a whole row; General leaves it to the cell's value.
enum class Alignment { General, Left, Centre, Right };

// A cell's number, shown with `decimals` decimals so that it reads as the cell's text.
struct ProtocolNumber {
  double value;
  int decimals;

  bool operator==(const ProtocolNumber&) const = default;
};

// One written cell of the protocol sheet; rows and columns count from 1 (column 1 = A).
// Framed means a thin continuous line on all four edges. A cell with a number is stored
// as that number; its text is what the window and the printout show. A filled cell has
// that background colour (0xRRGGBB).
struct ProtocolCell {
  int row;
  int column;
  std::string text;
  bool bold;
  bool framed;
  Alignment alignment;
  std::optional<ProtocolNumber> number;
  std::optional<std::uint32_t> fill = {};

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

// Printing on A4 portrait: the sheet is scaled to this many pages across, as many down as
// it needs, and rows firstTitleRow to lastTitleRow head every page.
struct ProtocolPageSetup {
  int fitToPagesWide;
  double leftMarginPoints;
  int firstTitleRow;
  int lastTitleRow;
};

// The protocol sheet as data, for the file writer and the printer alike.
struct SpreadsheetProtocol {
  std::string sheetName;
  std::vector<ProtocolCell> cells;
  std::vector<ProtocolRow> rows;
  ProtocolColumns columns;
  ProtocolPageSetup pageSetup;
  // Printed in every page's footer and kept as the workbook's comment; none when empty.
  std::string note = {};
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

// The number a text shows, when it is a plain decimal ("-2,00", "17", "0.5"); none for
// any other text, an exponent form included.
std::optional<ProtocolNumber> shownNumber(std::string_view text);

// A sheet name made of the protocol number: the characters a sheet name may not hold
// become "_", apostrophes are dropped from both ends, and at most 31 characters are kept.
std::string protocolSheetName(std::string_view protocolNumber);

}  // namespace tarvelo::reports
