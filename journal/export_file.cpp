#include "journal/export_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "journal/csv_export.h"
#include "reports/open_file.h"
#include "reports/partial_file.h"
#include "reports/spreadsheet_protocol.h"
#include "reports/xlsx_protocol_writer.h"

namespace tarvelo::journal {

namespace {

constexpr char kSheetExtension[] = ".xlsx";
constexpr char kStartAnew[] = "wb";
constexpr double kColumnWidthCharacters = 16;
constexpr double kLeftMarginPoints = 50.4;  // 0.7 inch, the spreadsheet's usual margin
constexpr int kHeadingRow = 1;

reports::ProtocolCell cellOf(int row, int column, const std::string& text, bool heading) {
  return {row, column + 1, text, heading, false, reports::Alignment::General,
          heading || !isNumberColumn(column) ? std::nullopt : reports::shownNumber(text)};
}

// A heading row, then a row per result; the heading row repeats on every printed page.
reports::SpreadsheetProtocol sheetOf(const std::vector<JournalRecord>& results, ExportStyle style) {
  reports::SpreadsheetProtocol sheet{style == ExportStyle::Russian ? "Результаты" : "results", {}, {},
                                     {1, kExportColumns, kColumnWidthCharacters},
                                     {1, kLeftMarginPoints, kHeadingRow, kHeadingRow}};
  const ExportRow& headings = exportHeadings(style);
  for (int column = 0; column < kExportColumns; ++column)
    sheet.cells.push_back(cellOf(kHeadingRow, column, headings[column], true));
  int row = kHeadingRow;
  for (const JournalRecord& result : results) {
    const ExportRow fields = exportFields(result);
    ++row;
    for (int column = 0; column < kExportColumns; ++column)
      sheet.cells.push_back(cellOf(row, column, fields[column], false));
  }
  return sheet;
}

// The system's reason for the call that has just failed.
std::string failedCallText() { return std::error_code(errno, std::generic_category()).message(); }

// The first failure of opening, writing or closing is the reason; empty when written.
std::string writeCsv(const std::string& csv, const std::filesystem::path& partial) {
  std::FILE* out = reports::openFile(partial, kStartAnew);
  if (out == nullptr) return failedCallText();
  std::string reason;
  if (std::fwrite(csv.data(), 1, csv.size(), out) != csv.size() || std::fflush(out) != 0) {
    reason = failedCallText();
  }
  if (std::fclose(out) != 0 && reason.empty()) reason = failedCallText();
  return reason;
}

// Whether `file` is to be an .xlsx sheet (by its name) rather than CSV.
bool isSheetFile(const std::filesystem::path& file) {
  // UTF-8: on Windows a name outside the ANSI code page has no narrow form.
  const std::u8string name = file.extension().u8string();
  std::string extension(name.begin(), name.end());
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == kSheetExtension;
}

}  // namespace

std::string exportResults(const std::vector<JournalRecord>& results, ExportStyle style,
                          const std::filesystem::path& file) {
  if (isSheetFile(file)) return reports::writeXlsxWorkbook(sheetOf(results, style), file);
  const std::string csv = csvOf(results, style);
  return reports::writeInPlace(file, [&csv](const std::filesystem::path& partial) { return writeCsv(csv, partial); });
}

}  // namespace tarvelo::journal
