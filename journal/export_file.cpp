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
  const bool number = !heading && column < kExportColumns && isNumberColumn(column);
  return {row, column + 1, text, heading, false, reports::Alignment::General,
          number ? reports::shownNumber(text) : std::nullopt};
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

// The heading row, repeated on every printed page, and the source's head in the footer;
// the results' rows follow as they are read.
reports::SpreadsheetProtocol sheetOf(const ExportSource& source, ExportStyle style) {
  const int columns = kExportColumns + (source.byStation ? 1 : 0);
  reports::SpreadsheetProtocol sheet{style == ExportStyle::Russian ? "Результаты" : "results", {}, {},
                                     {1, columns, kColumnWidthCharacters},
                                     {1, kLeftMarginPoints, kHeadingRow, kHeadingRow},
                                     source.head ? source.head() : std::string()};
  const ExportRow& headings = exportHeadings(style);
  for (int column = 0; column < kExportColumns; ++column)
    sheet.cells.push_back(cellOf(kHeadingRow, column, headings[column], true));
  if (source.byStation) sheet.cells.push_back(cellOf(kHeadingRow, kExportColumns, stationHeading(style), true));
  return sheet;
}

std::optional<link::Failure> writeSheet(const ExportSource& source, ExportStyle style,
                                        const std::filesystem::path& file) {
  return reports::writeXlsxProtocol(sheetOf(source, style), file, [&](const reports::CellWriter& write) {
    int row = kHeadingRow;
    std::vector<reports::ProtocolCell> cells;
    bool writing = true;
    return source.forEachResult([&](const JournalRecord& result, const std::string& station) {
      if (!writing) return;
      const ExportRow fields = exportFields(result);
      ++row;
      cells.clear();
      for (int column = 0; column < kExportColumns; ++column)
        cells.push_back(cellOf(row, column, fields[column], false));
      if (source.byStation) cells.push_back(cellOf(row, kExportColumns, station, false));
      writing = write(cells);
    });
  });
}

// The CSV `write` gives, written in place of `file`: the first failure of opening,
// writing or closing.
std::optional<link::Failure> writeCsvFile(const std::function<std::optional<link::Failure>(std::FILE*)>& write,
                                          const std::filesystem::path& file) {
  return link::writeInPlace(file, [&](const std::filesystem::path& partial) {
    std::FILE* out = reports::openFile(partial, kStartAnew);
    if (out == nullptr) return std::optional(link::lastErrnoFailure());
    std::optional<link::Failure> failure = unreadFailure([&] { return write(out); });
    if (std::fclose(out) != 0 && !failure) failure = link::lastErrnoFailure();
    return failure;
  });
}

}  // namespace

bool isSheetFile(const std::filesystem::path& file) {
  // UTF-8: on Windows a name outside the ANSI code page has no narrow form.
  std::string extension = link::utf8Text(file.extension());
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == kSheetExtension;
}

std::optional<link::Failure> exportResults(const ExportSource& source, ExportStyle style,
                                           const std::filesystem::path& file) {
  if (isSheetFile(file)) return unreadFailure([&] { return writeSheet(source, style, file); });
  return writeCsvFile([&](std::FILE* out) { return writeCsv(source, style, out); }, file);
}

std::optional<link::Failure> exportResults(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                           const std::filesystem::path& file) {
  return exportResults(journalSource(journal, filter), style, file);
}

std::optional<link::Failure> exportAnimalWeights(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                                 const std::filesystem::path& file) {
  return writeCsvFile([&](std::FILE* out) { return writeAnimalWeightsCsv(journal, filter, style, out); }, file);
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
