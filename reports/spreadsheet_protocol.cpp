#include "spreadsheet_protocol.h"

#include <array>

#include "weighing/measurement_store.h"

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
// readings are left out.
inline constexpr std::array kTableColumns{weighing::ResultNumber, weighing::ResultTime,
                                          weighing::ResultMass, weighing::ResultUnit,
                                          weighing::ResultDeviation};

ProtocolCell plainCell(int row, int column, std::string text) {
  return {row, column, std::move(text), false, false, Alignment::General};
}

}  // namespace

SpreadsheetProtocol BuildSpreadsheetProtocol(const ProtocolInputs& inputs) {
  const int r = inputs.sgRes.rowCount();
  SpreadsheetProtocol protocol{
      {},
      {},
      {1, static_cast<int>(kTableColumns.size()), kColumnWidthCharacters},
      {kFitToPagesWide, kLeftMarginPoints},
  };
  auto& cells = protocol.cells;

  cells.push_back({kNumberRow, kNumberTitleColumn, "Протокол № ", true, false, Alignment::Right});
  cells.push_back({kNumberRow, kNumberColumn, inputs.eLabelNum, true, false, Alignment::Left});
  cells.push_back(plainCell(kDateRow, kLabelColumn, "Дата: " + inputs.dateText));
  cells.push_back(plainCell(kObjectRow, kLabelColumn, "Объект: " + inputs.eUnit));

  for (int gridRow = 0; gridRow < r; ++gridRow) {
    const bool titles = gridRow == 0;
    for (int n = 0; n < static_cast<int>(kTableColumns.size()); ++n) {
      cells.push_back({kTableTitleRow + gridRow, n + 1,
                       inputs.sgRes.cell(kTableColumns[n], gridRow), titles, true,
                       Alignment::Centre});
    }
  }

  cells.push_back(plainCell(r + kTotalMassOffset, kLabelColumn, "Общая масса партии, г:"));
  cells.push_back({r + kTotalMassOffset, kValueColumn, inputs.sgTotal.cell(weighing::TotalMass, 0),
                   true, false, Alignment::General});
  cells.push_back(plainCell(r + kCountOffset, kLabelColumn, "Количество в партии:"));
  cells.push_back(
      plainCell(r + kCountOffset, kValueColumn, inputs.sgTotal.cell(weighing::BatchCount, 0)));
  cells.push_back(plainCell(r + kMeanOffset, kLabelColumn, "Средняя масса, г:"));
  cells.push_back(
      plainCell(r + kMeanOffset, kValueColumn, inputs.sgTotal.cell(weighing::BatchMean, 0)));
  cells.push_back(plainCell(r + kAveragingTimeOffset, kLabelColumn, "Время усреднения, с:"));
  cells.push_back(plainCell(r + kAveragingTimeOffset, kValueColumn, inputs.cbWTime));
  cells.push_back(plainCell(r + kPersonOffset, kLabelColumn, "Исполнитель: "));
  cells.push_back(
      {r + kPersonOffset, kValueColumn, inputs.ePerson, false, false, Alignment::Right});
  cells.push_back(plainCell(r + kBalanceOffset, kLabelColumn,
                            "Весы: " + inputs.balanceModel + " заводской № " +
                                std::to_string(inputs.balanceSerialNumber)));
  cells.push_back(
      {r + kWebAddressOffset, kLabelColumn, kMakerWebAddress, true, false, Alignment::General});

  for (int row = kTableTitleRow; row <= r + kLastCentredOffset; ++row) {
    const bool titles = row == kTableTitleRow;
    protocol.rows.push_back({row, Alignment::Centre,
                             titles ? std::optional<double>(kTitleRowHeightPoints) : std::nullopt,
                             titles, titles});
  }
  return protocol;
}

}  // namespace tarvelo::reports
