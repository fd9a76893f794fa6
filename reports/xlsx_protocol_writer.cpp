#include "xlsx_protocol_writer.h"

#include "c_numeric_locale.h"
#include "partial_file.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <string>
#include <system_error>
#include <tuple>

namespace tarvelo::reports {
namespace {

inline constexpr double kPointsPerInch = 72;
inline constexpr double kDefaultMargin = -1;  // the spreadsheet's own default
inline constexpr int kAnyNumberOfPagesTall = 0;
inline constexpr uint8_t kA4Paper = 9;
inline constexpr int kNoNumber = -1;

// "0", "0.0", "0.00", …: the reader's own decimal separator shows in place of the point.
std::string numberFormat(int decimals) {
  return decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
}

uint8_t horizontalCode(Alignment alignment) {
  switch (alignment) {
    case Alignment::Left:
      return LXW_ALIGN_LEFT;
    case Alignment::Centre:
      return LXW_ALIGN_CENTER;
    case Alignment::Right:
      return LXW_ALIGN_RIGHT;
    case Alignment::General:
      break;
  }
  return LXW_ALIGN_NONE;
}

// Formats are shared between cells of the same look.
class FormatCache {
public:
  explicit FormatCache(lxw_workbook *workbook) : workbook_(workbook) {}

  lxw_format *get(bool bold, bool framed, Alignment alignment,
                  bool verticalCentre, bool wrap, int decimals) {
    lxw_format *&format =
        formats_[{bold, framed, alignment, verticalCentre, wrap, decimals}];
    if (format != nullptr)
      return format;
    format = workbook_add_format(workbook_);
    if (decimals != kNoNumber)
      format_set_num_format(format, numberFormat(decimals).c_str());
    if (bold)
      format_set_bold(format);
    if (framed)
      format_set_border(format, LXW_BORDER_THIN);
    if (alignment != Alignment::General)
      format_set_align(format, horizontalCode(alignment));
    if (verticalCentre)
      format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    if (wrap)
      format_set_text_wrap(format);
    return format;
  }

private:
  lxw_workbook *workbook_;
  std::map<std::tuple<bool, bool, Alignment, bool, bool, int>, lxw_format *>
      formats_;
};

// Fills the sheet; returns the first failure of the library, LXW_NO_ERROR when
// none.
lxw_error fillSheet(const SpreadsheetProtocol &protocol,
                    lxw_workbook *workbook) {
  lxw_worksheet *sheet =
      workbook_add_worksheet(workbook, protocol.sheetName.c_str());
  if (sheet == nullptr)
    return LXW_ERROR_MEMORY_MALLOC_FAILED;
  FormatCache formats(workbook);
  std::map<int, const ProtocolRow *> rowsByNumber;
  for (const ProtocolRow &row : protocol.rows) {
    rowsByNumber[row.row] = &row;
    const lxw_error error = worksheet_set_row(
        sheet, row.row - 1, row.heightPoints.value_or(LXW_DEF_ROW_HEIGHT),
        formats.get(false, false, row.alignment, row.verticalCentre, row.wrap,
                    kNoNumber));
    if (error != LXW_NO_ERROR)
      return error;
  }
  for (const ProtocolCell &cell : protocol.cells) {
    const auto found = rowsByNumber.find(cell.row);
    const ProtocolRow *row =
        found != rowsByNumber.end() ? found->second : nullptr;
    lxw_format *format = formats.get(
        cell.bold, cell.framed, cell.alignment,
        row != nullptr && row->verticalCentre, row != nullptr && row->wrap,
        cell.number ? cell.number->decimals : kNoNumber);
    const lxw_row_t sheetRow = cell.row - 1;
    const lxw_col_t sheetColumn = cell.column - 1;
    const lxw_error error =
        cell.number ? worksheet_write_number(sheet, sheetRow, sheetColumn,
                                             cell.number->value, format)
                    : worksheet_write_string(sheet, sheetRow, sheetColumn,
                                             cell.text.c_str(), format);
    if (error != LXW_NO_ERROR)
      return error;
  }
  const lxw_error error = worksheet_set_column(
      sheet, protocol.columns.first - 1, protocol.columns.last - 1,
      protocol.columns.widthCharacters, nullptr);
  if (error != LXW_NO_ERROR)
    return error;
  const ProtocolPageSetup &page = protocol.pageSetup;
  const lxw_error titleError = worksheet_repeat_rows(
      sheet, page.firstTitleRow - 1, page.lastTitleRow - 1);
  if (titleError != LXW_NO_ERROR)
    return titleError;
  worksheet_set_paper(sheet, kA4Paper);
  worksheet_set_portrait(sheet);
  worksheet_fit_to_pages(sheet, page.fitToPagesWide, kAnyNumberOfPagesTall);
  worksheet_set_margins(sheet, page.leftMarginPoints / kPointsPerInch,
                        kDefaultMargin, kDefaultMargin, kDefaultMargin);
  return LXW_NO_ERROR;
}

// Paths are shown as UTF-8 text on every platform.
std::string utf8Text(const std::filesystem::path& file) {
  const std::u8string text = file.u8string();
  return std::string(text.begin(), text.end());
}

std::string failure(const std::filesystem::path& file, const std::string& reason) {
  return "Не удалось сохранить протокол в файл " + utf8Text(file) + ": " + reason;
}

// Writes the workbook into `partial`; the reason of a failure, empty when there is none.
std::string workbookInto(const SpreadsheetProtocol& protocol, const std::filesystem::path& partial) {
  // The library prints the sheet's numbers, widths and margins with printf.
  const CNumericLocale pointNumbers;
  lxw_workbook* workbook = workbook_new(utf8Text(partial).c_str());
  if (workbook == nullptr) return lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED);
  const lxw_error fillError = fillSheet(protocol, workbook);
  const lxw_error closeError = workbook_close(workbook);
  const lxw_error error = fillError != LXW_NO_ERROR ? fillError : closeError;
  return error != LXW_NO_ERROR ? lxw_strerror(error) : std::string();
}

}  // namespace

std::string writeXlsxWorkbook(const SpreadsheetProtocol& sheet, const std::filesystem::path& file) {
  return writeInPlace(file, [&sheet](const std::filesystem::path& partial) { return workbookInto(sheet, partial); });
}

ProtocolWriteResult writeXlsxProtocol(const SpreadsheetProtocol& protocol,
                                      const std::filesystem::path& file) {
  const std::string reason = writeXlsxWorkbook(protocol, file);
  if (reason.empty()) return {};
  return {failure(file, reason)};
}

}  // namespace tarvelo::reports
