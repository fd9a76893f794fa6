#include "journal/export_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>

#include "journal/csv_export.h"
#include "journal/growth_sheet.h"
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
std::optional<link::Failure> unreadFailure(const std::function<std::optional<link::Failure>()>& read) {
  try {
    return read();
  } catch (const ReadError& error) {
    return link::Failure{error.failure().code, std::string("журнал не прочитан: ") + error.what()};
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

std::optional<link::Failure> writeSheet(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                        const std::filesystem::path& file) {
  return reports::writeXlsxProtocol(sheetOf(journal, style), file, [&](const reports::CellWriter& write) {
    int row = kHeadingRow;
    std::vector<reports::ProtocolCell> cells;
    bool writing = true;
    return unreadFailure([&] {
      journal.forEachStandingResult(filter, [&](const JournalRecord& result) {
        if (!writing) return;
        const ExportRow fields = exportFields(result);
        ++row;
        cells.clear();
        for (int column = 0; column < kExportColumns; ++column)
          cells.push_back(cellOf(row, column, fields[column], false));
        writing = write(cells);
      });
      return std::optional<link::Failure>();
    });
  });
}

using CsvWriter = std::optional<link::Failure> (*)(const Journal&, const RecordFilter&, ExportStyle, std::FILE*);

// The CSV written in place of `file`: the first failure of opening, writing or closing.
std::optional<link::Failure> writeCsvFile(CsvWriter writer, const Journal& journal, const RecordFilter& filter,
                                          ExportStyle style, const std::filesystem::path& file) {
  return link::writeInPlace(file, [&](const std::filesystem::path& partial) {
    std::FILE* out = reports::openFile(partial, kStartAnew);
    if (out == nullptr) return std::optional(link::lastErrnoFailure());
    std::optional<link::Failure> failure = unreadFailure([&] { return writer(journal, filter, style, out); });
    if (std::fclose(out) != 0 && !failure) failure = link::lastErrnoFailure();
    return failure;
  });
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

std::optional<link::Failure> exportResults(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                           const std::filesystem::path& file) {
  if (isSheetFile(file)) return writeSheet(journal, filter, style, file);
  return writeCsvFile(&writeCsv, journal, filter, style, file);
}

std::optional<link::Failure> exportAnimalWeights(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                                 const std::filesystem::path& file) {
  return writeCsvFile(&writeAnimalWeightsCsv, journal, filter, style, file);
}

std::optional<link::Failure> exportGrowth(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                          const AlertShares& shares, const std::filesystem::path& file) {
  GrowthTable table;
  if (auto failure = unreadFailure([&] {
        table = growthTable(journal, filter);
        return std::optional<link::Failure>();
      }))
    return failure;
  return reports::writeXlsxProtocol(growthSheet(table, style, shares, printedHead(journal.head())), file);
}

}  // namespace tarvelo::journal
