#include "journal/export_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <system_error>

#include "journal/csv_export.h"
#include "link/partial_file.h"
#include "link/utf8_path.h"
#include "reports/open_file.h"
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

// What `read` returns, or why the journal could not be read to its end: an export that
// stops short is no export.
std::string unreadText(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const ReadError& error) {
    return std::string("журнал не прочитан: ") + error.what();
  }
}

// The heading row, repeated on every printed page, and the journal's head in the footer;
// the results' rows follow as they are read.
reports::SpreadsheetProtocol sheetOf(const Journal& journal, ExportStyle style) {
  reports::SpreadsheetProtocol sheet{style == ExportStyle::Russian ? "Результаты" : "results", {}, {},
                                     {1, kExportColumns, kColumnWidthCharacters},
                                     {1, kLeftMarginPoints, kHeadingRow, kHeadingRow}, printedHead(journal.head())};
  const ExportRow& headings = exportHeadings(style);
  for (int column = 0; column < kExportColumns; ++column)
    sheet.cells.push_back(cellOf(kHeadingRow, column, headings[column], true));
  return sheet;
}

std::string writeSheet(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                       const std::filesystem::path& file) {
  return reports::writeXlsxWorkbook(sheetOf(journal, style), file, [&](const reports::CellWriter& write) {
    int row = kHeadingRow;
    std::vector<reports::ProtocolCell> cells;
    bool writing = true;
    return unreadText([&] {
      journal.forEachStandingResult(filter, [&](const JournalRecord& result) {
        if (!writing) return;
        const ExportRow fields = exportFields(result);
        ++row;
        cells.clear();
        for (int column = 0; column < kExportColumns; ++column)
          cells.push_back(cellOf(row, column, fields[column], false));
        writing = write(cells);
      });
      return std::string();
    });
  });
}

// The system's reason for the call that has just failed.
std::string failedCallText() { return std::error_code(errno, std::generic_category()).message(); }

// The first failure of opening, writing or closing is the reason; empty when written.
std::string writeCsvFile(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                         const std::filesystem::path& partial) {
  std::FILE* out = reports::openFile(partial, kStartAnew);
  if (out == nullptr) return failedCallText();
  std::string reason = unreadText([&] { return writeCsv(journal, filter, style, out).value_or(""); });
  if (std::fclose(out) != 0 && reason.empty()) reason = failedCallText();
  return reason;
}

// Whether `file` is to be an .xlsx sheet (by its name) rather than CSV.
bool isSheetFile(const std::filesystem::path& file) {
  // UTF-8: on Windows a name outside the ANSI code page has no narrow form.
  std::string extension = link::utf8Text(file.extension());
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == kSheetExtension;
}

}  // namespace

std::string exportResults(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                          const std::filesystem::path& file) {
  if (isSheetFile(file)) return writeSheet(journal, filter, style, file);
  return link::writeInPlace(file, [&](const std::filesystem::path& partial) {
    return writeCsvFile(journal, filter, style, partial);
  });
}

}  // namespace tarvelo::journal
