#include "xlsx_protocol_writer.h"

#include "c_numeric_locale.h"
#include "link/partial_file.h"
#include "link/utf8_path.h"

#include <xlsxwriter.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
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
                  bool verticalCentre, bool wrap, int decimals,
                  std::optional<std::uint32_t> fill = {}) {
    lxw_format *&format = formats_[{bold, framed, alignment, verticalCentre,
                                    wrap, decimals, fill}];
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
    if (fill) {
      format_set_pattern(format, LXW_PATTERN_SOLID);
      format_set_bg_color(format, *fill);
    }
    return format;
  }

private:
  lxw_workbook *workbook_;
  std::map<std::tuple<bool, bool, Alignment, bool, bool, int,
                      std::optional<std::uint32_t>>,
           lxw_format *>
      formats_;
};

// The note at the footer's left, its ampersands doubled: the footer's own codes start with one.
std::string footerOf(const std::string &note) {
  std::string footer = "&L";
  for (const char c : note) {
    footer += c;
    if (c == '&')
      footer += '&';
  }
  return footer;
}

// Fills the sheet; returns the first failure of the library, LXW_NO_ERROR when
// none.
lxw_error fillSheet(const SpreadsheetProtocol &protocol, const MoreCells &more,
                    std::optional<link::Failure> &moreFailure, lxw_workbook *workbook) {
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
  const auto writeCells = [&](const std::vector<ProtocolCell> &cells) {
    for (const ProtocolCell &cell : cells) {
      const auto found = rowsByNumber.find(cell.row);
      const ProtocolRow *row =
          found != rowsByNumber.end() ? found->second : nullptr;
      lxw_format *format = formats.get(
          cell.bold, cell.framed, cell.alignment,
          row != nullptr && row->verticalCentre, row != nullptr && row->wrap,
          cell.number ? cell.number->decimals : kNoNumber, cell.fill);
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
    return LXW_NO_ERROR;
  };
  if (const lxw_error error = writeCells(protocol.cells); error != LXW_NO_ERROR)
    return error;
  lxw_error moreError = LXW_NO_ERROR;
  if (more) {
    moreFailure = more([&](const std::vector<ProtocolCell> &cells) {
      if (moreError == LXW_NO_ERROR)
        moreError = writeCells(cells);
      return moreError == LXW_NO_ERROR;
    });
  }
  if (moreError != LXW_NO_ERROR)
    return moreError;
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
  if (protocol.note.empty())
    return LXW_NO_ERROR;
  return worksheet_set_footer(sheet, footerOf(protocol.note).c_str());
}

// The library's failure of `error`, with its text.
link::Failure libraryFailure(lxw_error error) { return {error, lxw_strerror(error)}; }

// Writes the workbook into `partial`; the failure when there is one.
std::optional<link::Failure> workbookInto(const SpreadsheetProtocol& protocol, const MoreCells& more,
                                          const std::filesystem::path& partial) {
  // The library prints the sheet's numbers, widths and margins with printf.
  const CNumericLocale pointNumbers;
  lxw_workbook_options options{};
  options.constant_memory = more ? LXW_TRUE : LXW_FALSE;
  // Its row files beside the workbook, a folder known to be writable (the system's own
  // temporary place may not be, on Windows).
  std::string folder =
      link::utf8Text(partial.parent_path().empty() ? std::filesystem::path(".") : partial.parent_path());
  options.tmpdir = folder.data();
  lxw_workbook* workbook = workbook_new_opt(link::utf8Text(partial).c_str(), &options);
  if (workbook == nullptr) return libraryFailure(LXW_ERROR_MEMORY_MALLOC_FAILED);
  std::string note = protocol.note;  // the library takes the text as not const
  lxw_doc_properties properties{};
  properties.comments = note.data();
  if (!protocol.note.empty()) workbook_set_properties(workbook, &properties);
  std::optional<link::Failure> moreFailure;
  const lxw_error fillError = fillSheet(protocol, more, moreFailure, workbook);
  const lxw_error closeError = workbook_close(workbook);
  if (moreFailure) return moreFailure;
  const lxw_error error = fillError != LXW_NO_ERROR ? fillError : closeError;
  if (error != LXW_NO_ERROR) return libraryFailure(error);
  return std::nullopt;
}

}  // namespace

std::optional<link::Failure> writeXlsxProtocol(const SpreadsheetProtocol& protocol, const std::filesystem::path& file,
                                               const MoreCells& more) {
  return link::writeInPlace(file,
                            [&](const std::filesystem::path& partial) { return workbookInto(protocol, more, partial); });
}

}  // namespace tarvelo::reports
