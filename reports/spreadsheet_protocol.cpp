#include "spreadsheet_protocol.h"

#include <array>

#include "weighing/measurement_store.h"
#include "weighing/number_text.h"

namespace tarvelo::reports {
namespace {

inline constexpr int kNumberRow = 2;
inline constexpr int kNumberTitleColumn = 3;
inline constexpr int kNumberColumn = 4;
inline constexpr int kDateRow = 4;
inline constexpr int kObjectRow = 6;
inline constexpr int kTableTitleRow = 8;
inline constexpr int kTitleRowHeightPoints = 36;
// Rows below the table are counted from R, the row count of sgRes (titles included).
// The total-mass line takes R + 12, the last of the free rows R + 10 to R + 12, so that
// total, count and mean stand together as one block.
inline constexpr int kTotalMassOffset = 12;
inline constexpr int kCountOffset = 13;
inline constexpr int kMeanOffset = 14;
inline constexpr int kAveragingTimeOffset = 16;
inline constexpr int kPersonOffset = 18;
inline constexpr int kBalanceOffset = 20;
inline constexpr int kWebAddressOffset = 21;
// The table and the two rows below it are centred.
inline constexpr int kLastCentredOffset = 9;
inline constexpr int kLabelColumn = 1;
inline constexpr int kValueColumn = 3;
inline constexpr double kColumnWidthCharacters = 17;
inline constexpr int kFitToPagesWide = 1;
inline constexpr double kLeftMarginPoints = 90;
inline constexpr char kMakerWebAddress[] = "www.korvane.example";

// sgRes columns in the protocol's columns A to E; the object name and the count of
// readings are left out. The animals' numbers follow in F when any row has one.
inline constexpr std::array kTableColumns{weighing::ResultNumber, weighing::ResultTime,
                                          weighing::ResultMass, weighing::ResultUnit,
                                          weighing::ResultDeviation, weighing::ResultAnimal};
inline constexpr int kColumnsWithoutAnimals = 5;

inline constexpr std::size_t kSheetNameMaxCharacters = 31;
inline constexpr std::string_view kCharactersNotInSheetNames = "[]:*?/\\";
inline constexpr char kReservedSheetName[] = "History";
inline constexpr char kUnnamedSheet[] = "Протокол";

ProtocolCell plainCell(int row, int column, std::string text) {
  return {row, column, std::move(text), false, false, Alignment::General, std::nullopt};
}

// A value below the table: stored as the number it shows when it shows one.
ProtocolCell valueCell(int row, std::string text, bool bold = false) {
  std::optional<ProtocolNumber> number = shownNumber(text);
  return {row, kValueColumn, std::move(text), bold, false, Alignment::General, number};
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Counts the digits at the start of `text` and drops them.
std::size_t takeDigits(std::string_view& text) {
  std::size_t count = 0;
  while (count < text.size() && isDigit(text[count])) ++count;
  text.remove_prefix(count);
  return count;
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Whether a result row of the grid has an animal's number.
bool anyAnimal(const weighing::TextGrid& results) {
  for (int row = 1; row < results.rowCount(); ++row) {
    if (!results.cell(weighing::ResultAnimal, row).empty()) return true;
  }
  return false;
}

}  // namespace

std::optional<ProtocolNumber> shownNumber(std::string_view text) {
  std::string_view rest = text;
  if (!rest.empty() && rest.front() == '-') rest.remove_prefix(1);
  if (takeDigits(rest) == 0) return std::nullopt;
  int decimals = 0;
  if (!rest.empty() && (rest.front() == ',' || rest.front() == '.')) {
    rest.remove_prefix(1);
    decimals = static_cast<int>(takeDigits(rest));
    if (decimals == 0) return std::nullopt;
  }
  if (!rest.empty()) return std::nullopt;
  return ProtocolNumber{weighing::parseNumber(text), decimals};
}

std::string protocolSheetName(std::string_view protocolNumber) {
  while (!protocolNumber.empty() && protocolNumber.front() == '\'') protocolNumber.remove_prefix(1);
  while (!protocolNumber.empty() && protocolNumber.back() == '\'') protocolNumber.remove_suffix(1);
  std::string name;
  std::size_t characters = 0;
  for (const char c : protocolNumber) {
    if (!isUtf8Continuation(c) && ++characters > kSheetNameMaxCharacters) break;
    name += kCharactersNotInSheetNames.find(c) == std::string_view::npos ? c : '_';
  }
  if (name.empty()) return kUnnamedSheet;
  if (name == kReservedSheetName) name += '_';
  return name;
}

SpreadsheetProtocol BuildSpreadsheetProtocol(const ProtocolInputs& inputs) {
  const int r = inputs.sgRes.rowCount();
  const int tableColumns = anyAnimal(inputs.sgRes) ? static_cast<int>(kTableColumns.size()) : kColumnsWithoutAnimals;
  SpreadsheetProtocol protocol{
      protocolSheetName(inputs.eLabelNum),
      {},
      {},
      {1, tableColumns, kColumnWidthCharacters},
      {kFitToPagesWide, kLeftMarginPoints, kNumberRow, kTableTitleRow},
  };
  auto& cells = protocol.cells;

  cells.push_back(
      {kNumberRow, kNumberTitleColumn, "Протокол № ", true, false, Alignment::Right, std::nullopt});
  cells.push_back(
      {kNumberRow, kNumberColumn, inputs.eLabelNum, true, false, Alignment::Left, std::nullopt});
  cells.push_back(plainCell(kDateRow, kLabelColumn, "Дата: " + inputs.dateText));
  cells.push_back(plainCell(kObjectRow, kLabelColumn, "Объект: " + inputs.eUnit));

  for (int gridRow = 0; gridRow < r; ++gridRow) {
    const bool titles = gridRow == 0;
    for (int n = 0; n < tableColumns; ++n) {
      const std::string& text = inputs.sgRes.cell(kTableColumns[n], gridRow);
      // An animal's number is a name, however many digits it has.
      const bool number = !titles && kTableColumns[n] != weighing::ResultAnimal;
      cells.push_back({kTableTitleRow + gridRow, n + 1, text, titles, true, Alignment::Centre,
                       number ? shownNumber(text) : std::nullopt});
    }
  }

  cells.push_back(plainCell(r + kTotalMassOffset, kLabelColumn, "Общая масса партии, г:"));
  cells.push_back(
      valueCell(r + kTotalMassOffset, inputs.sgTotal.cell(weighing::TotalMass, 0), true));
  cells.push_back(plainCell(r + kCountOffset, kLabelColumn, "Количество в партии:"));
  cells.push_back(valueCell(r + kCountOffset, inputs.sgTotal.cell(weighing::BatchCount, 0)));
  cells.push_back(plainCell(r + kMeanOffset, kLabelColumn, "Средняя масса, г:"));
  cells.push_back(valueCell(r + kMeanOffset, inputs.sgTotal.cell(weighing::BatchMean, 0)));
  cells.push_back(plainCell(r + kAveragingTimeOffset, kLabelColumn, "Время усреднения, с:"));
  cells.push_back(valueCell(r + kAveragingTimeOffset, inputs.cbWTime));
  cells.push_back(plainCell(r + kPersonOffset, kLabelColumn, "Исполнитель: "));
  cells.push_back({r + kPersonOffset, kValueColumn, inputs.ePerson, false, false, Alignment::Right,
                   std::nullopt});
  cells.push_back(plainCell(r + kBalanceOffset, kLabelColumn,
                            "Весы: " + inputs.balanceModel + " заводской № " +
                                std::to_string(inputs.balanceSerialNumber)));
  cells.push_back({r + kWebAddressOffset, kLabelColumn, kMakerWebAddress, true, false,
                   Alignment::General, std::nullopt});

  for (int row = kTableTitleRow; row <= r + kLastCentredOffset; ++row) {
    const bool titles = row == kTableTitleRow;
    protocol.rows.push_back({row, Alignment::Centre,
                             titles ? std::optional<double>(kTitleRowHeightPoints) : std::nullopt,
                             titles, titles});
  }
  return protocol;
}

}  // namespace tarvelo::reports
