#include "journal/csv_export.h"

#include <array>
#include <vector>

#include "journal/csv_text.h"

namespace tarvelo::journal {

namespace {

struct Format {
  char separator;
  char decimal;
};

Format formatOf(ExportStyle style) { return style == ExportStyle::Russian ? Format{';', ','} : Format{',', '.'}; }

// "2026-12-07" of the local time "2026-12-07 12:05:07".
constexpr std::size_t kDateLength = 10;
const std::array<std::string, 4> kRussianWeightHeadings{"Номер", "Дата", "Время", "Масса, г"};
const std::array<std::string, 4> kPlainWeightHeadings{"animal", "date", "time", "grams"};

constexpr int kGramsDecimals = 2;  // as the results show them

// Writes to a stream and keeps its first failure, with its own errno: nothing runs
// between the write and the look at errno.
class CsvOut {
 public:
  explicit CsvOut(std::FILE* out) : out_(out) {}
  void put(const std::string& text) {
    if (!failure_ && std::fwrite(text.data(), 1, text.size(), out_) != text.size()) failure_ = link::lastErrnoFailure();
  }
  std::optional<link::Failure> finish() {
    if (!failure_ && std::fflush(out_) != 0) failure_ = link::lastErrnoFailure();
    return failure_;
  }

 private:
  std::FILE* out_;
  std::optional<link::Failure> failure_;
};

}  // namespace

std::optional<link::Failure> writeCsv(const ExportSource& source, ExportStyle style, std::FILE* out) {
  const Format format = formatOf(style);
  CsvOut csv(out);
  std::string line = kByteOrderMark;
  std::vector<std::string> fields(exportHeadings(style).begin(), exportHeadings(style).end());
  if (source.byStation) fields.push_back(stationHeading(style));
  appendCsvLine(line, fields, format.separator);
  csv.put(line);
  if (auto failure = source.forEachResult([&](const JournalRecord& record, const std::string& station) {
        const ExportRow row = exportFields(record);
        fields.clear();
        for (size_t column = 0; column < row.size(); ++column) {
          fields.push_back(isNumberColumn(static_cast<int>(column)) ? numberText(row[column], format.decimal)
                                                                    : inertText(row[column]));
        }
        if (source.byStation) fields.push_back(inertText(station));
        line.clear();
        appendCsvLine(line, fields, format.separator);
        csv.put(line);
      }))
    return failure;
  if (style == ExportStyle::Russian && source.head) {
    if (const std::string head = source.head(); !head.empty()) csv.put(head + kCsvLineEnd);
  }
  return csv.finish();
}

std::optional<link::Failure> writeAnimalWeightsCsv(const Journal& journal, const RecordFilter& filter,
                                                   ExportStyle style, std::FILE* out) {
  const Format format = formatOf(style);
  CsvOut csv(out);
  std::string line = kByteOrderMark;
  appendCsvLine(line, style == ExportStyle::Russian ? kRussianWeightHeadings : kPlainWeightHeadings, format.separator);
  csv.put(line);
  journal.forEachStandingResult(filter, [&](const JournalRecord& record) {
    if (record.animal.empty() || !record.grams) return;
    line.clear();
    const std::array<std::string, 4> fields{inertText(record.animal), record.local.substr(0, kDateLength),
                                            record.local.substr(kDateLength + 1),
                                            numberText(fixedText(*record.grams, kGramsDecimals), format.decimal)};
    appendCsvLine(line, fields, format.separator);
    csv.put(line);
  });
  return csv.finish();
}

}  // namespace tarvelo::journal
