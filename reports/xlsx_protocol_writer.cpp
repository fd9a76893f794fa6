#include "xlsx_protocol_writer.h"

#include <xlsxwriter.h>

#include <map>
#include <system_error>
#include <tuple>

namespace tarvelo::reports {
namespace {

inline constexpr double kPointsPerInch = 72;
inline constexpr double kDefaultMargin = -1;  // the spreadsheet's own default
inline constexpr int kAnyNumberOfPagesTall = 0;
inline constexpr char kPartialSuffix[] = ".part";

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
  explicit FormatCache(lxw_workbook* workbook) : workbook_(workbook) {}

  lxw_format* get(bool bold, bool framed, Alignment alignment, bool verticalCentre, bool wrap) {
    lxw_format*& format = formats_[{bold, framed, alignment, verticalCentre, wrap}];
    if (format != nullptr) return format;
    format = workbook_add_format(workbook_);
    if (bold) format_set_bold(format);
    if (framed) format_set_border(format, LXW_BORDER_THIN);
    if (alignment != Alignment::General) format_set_align(format, horizontalCode(alignment));
    if (verticalCentre) format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    if (wrap) format_set_text_wrap(format);
    return format;
  }

 private:
  lxw_workbook* workbook_;
  std::map<std::tuple<bool, bool, Alignment, bool, bool>, lxw_format*> formats_;
};

// Fills the sheet; returns the first failure of the library, LXW_NO_ERROR when none.
lxw_error fillSheet(const SpreadsheetProtocol& protocol, lxw_workbook* workbook) {
  lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
  if (sheet == nullptr) return LXW_ERROR_MEMORY_MALLOC_FAILED;
  FormatCache formats(workbook);
  std::map<int, const ProtocolRow*> rowsByNumber;
  for (const ProtocolRow& row : protocol.rows) {
    rowsByNumber[row.row] = &row;
    const lxw_error error =
        worksheet_set_row(sheet, row.row - 1, row.heightPoints.value_or(LXW_DEF_ROW_HEIGHT),
                          formats.get(false, false, row.alignment, row.verticalCentre, row.wrap));
    if (error != LXW_NO_ERROR) return error;
  }
  for (const ProtocolCell& cell : protocol.cells) {
    const auto row = rowsByNumber.find(cell.row);
    const bool verticalCentre = row != rowsByNumber.end() && row->second->verticalCentre;
    const bool wrap = row != rowsByNumber.end() && row->second->wrap;
    const lxw_error error = worksheet_write_string(
        sheet, cell.row - 1, cell.column - 1, cell.text.c_str(),
        formats.get(cell.bold, cell.framed, cell.alignment, verticalCentre, wrap));
    if (error != LXW_NO_ERROR) return error;
  }
  const lxw_error error =
      worksheet_set_column(sheet, protocol.columns.first - 1, protocol.columns.last - 1,
                           protocol.columns.widthCharacters, nullptr);
  if (error != LXW_NO_ERROR) return error;
  worksheet_fit_to_pages(sheet, protocol.pageSetup.fitToPagesWide, kAnyNumberOfPagesTall);
  worksheet_set_margins(sheet, protocol.pageSetup.leftMarginPoints / kPointsPerInch, kDefaultMargin,
                        kDefaultMargin, kDefaultMargin);
  return LXW_NO_ERROR;
}

std::string failure(const std::filesystem::path& file, const std::string& reason) {
  return "Не удалось сохранить протокол в файл " + file.string() + ": " + reason;
}

}  // namespace

ProtocolWriteResult writeXlsxProtocol(const SpreadsheetProtocol& protocol,
                                      const std::filesystem::path& file) {
  std::error_code fileError;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), fileError);
  if (fileError) return {failure(file, fileError.message())};

  std::filesystem::path partial = file;
  partial += kPartialSuffix;
  lxw_workbook* workbook = workbook_new(partial.string().c_str());
  if (workbook == nullptr) return {failure(file, lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED))};
  const lxw_error fillError = fillSheet(protocol, workbook);
  const lxw_error closeError = workbook_close(workbook);
  const lxw_error error = fillError != LXW_NO_ERROR ? fillError : closeError;
  if (error == LXW_NO_ERROR) std::filesystem::rename(partial, file, fileError);
  if (error == LXW_NO_ERROR && !fileError) return {};

  std::error_code ignored;
  std::filesystem::remove(partial, ignored);
  return {failure(file, error != LXW_NO_ERROR ? lxw_strerror(error) : fileError.message())};
}

}  // namespace tarvelo::reports
