#include "journal/csv_export.h"

#include <algorithm>
#include <string_view>

namespace tarvelo::journal {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kLineEnd[] = "\r\n";

struct Format {
  char separator;
  char decimal;
};

Format formatOf(ExportStyle style) { return style == ExportStyle::Russian ? Format{';', ','} : Format{',', '.'}; }

// A field with the separator, a quote or a line break is quoted, its quotes doubled.
std::string field(const std::string& text, char separator) {
  if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// A text a spreadsheet program would take for a formula starts with an apostrophe, which
// it shows as text and hides.
std::string inert(const std::string& text) {
  static constexpr std::string_view kFormulaStarts = "=+-@\t\r";
  return !text.empty() && kFormulaStarts.find(text.front()) != std::string_view::npos ? "'" + text : text;
}

// The grid's number text ("25,10", "-0,05") with the style's decimal separator.
std::string number(std::string text, char decimal) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == ',' || c == '.'; }, decimal);
  return text;
}

// One line of fields, each quoted when it must be.
void appendLine(std::string& csv, const ExportRow& fields, char separator) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) csv += separator;
    csv += field(fields[i], separator);
  }
  csv += kLineEnd;
}

}  // namespace

std::optional<link::Failure> writeCsv(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                      std::FILE* out) {
  const Format format = formatOf(style);
  std::optional<link::Failure> failure;
  // The first failure of the stream, with its own errno: nothing runs between the two.
  const auto put = [&](const std::string& text) {
    if (!failure && std::fwrite(text.data(), 1, text.size(), out) != text.size()) failure = link::lastErrnoFailure();
  };
  std::string line = kByteOrderMark;
  appendLine(line, exportHeadings(style), format.separator);
  put(line);
  journal.forEachStandingResult(filter, [&](const JournalRecord& record) {
    ExportRow fields = exportFields(record);
    for (size_t column = 0; column < fields.size(); ++column) {
      fields[column] = isNumberColumn(static_cast<int>(column)) ? number(fields[column], format.decimal)
                                                                : inert(fields[column]);
    }
    line.clear();
    appendLine(line, fields, format.separator);
    put(line);
  });
  if (style == ExportStyle::Russian) put(printedHead(journal.head()) + kLineEnd);
  if (!failure && std::fflush(out) != 0) failure = link::lastErrnoFailure();
  return failure;
}

}  // namespace tarvelo::journal
