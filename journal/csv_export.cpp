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

std::string csvOf(const std::vector<JournalRecord>& results, ExportStyle style) {
  const Format format = formatOf(style);
  std::string csv = kByteOrderMark;
  appendLine(csv, exportHeadings(style), format.separator);
  for (const JournalRecord& record : results) {
    ExportRow fields = exportFields(record);
    for (size_t column = 0; column < fields.size(); ++column) {
      fields[column] = isNumberColumn(static_cast<int>(column)) ? number(fields[column], format.decimal) : inert(fields[column]);
    }
    appendLine(csv, fields, format.separator);
  }
  return csv;
}

}  // namespace tarvelo::journal
