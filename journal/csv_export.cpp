#include "journal/csv_export.h"

#include <algorithm>
#include <array>

namespace tarvelo::journal {

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kLineEnd[] = "\r\n";
constexpr std::array<const char*, 11> kRussianHeadings{"№ записи", "Время (UTC)", "Время", "Ф.И.О.", "Протокол",
                                                       "Объект", "Масса", "Ед.изм.", "Отклонение", "Кол-во",
                                                       "Весы"};
constexpr std::array<const char*, 11> kPlainHeadings{"record", "utc", "local", "person", "protocol", "object",
                                                     "mass", "unit", "deviation", "count", "balance"};

struct Format {
  char separator;
  char decimal;
};

Format formatOf(CsvStyle style) { return style == CsvStyle::Russian ? Format{';', ','} : Format{',', '.'}; }

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

// The grid's number text ("25,10", "-0,05") with the style's decimal separator.
std::string number(std::string text, char decimal) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == ',' || c == '.'; }, decimal);
  return text;
}

}  // namespace

std::string csvOf(const std::vector<JournalRecord>& results, CsvStyle style) {
  const Format format = formatOf(style);
  const auto& headings = style == CsvStyle::Russian ? kRussianHeadings : kPlainHeadings;
  std::string csv = kByteOrderMark;
  for (size_t i = 0; i < headings.size(); ++i) {
    if (i > 0) csv += format.separator;
    csv += headings[i];
  }
  csv += kLineEnd;
  for (const JournalRecord& record : results) {
    const std::array<std::string, 11> fields{std::to_string(record.id), record.utc, record.local, record.person,
                                             record.protocol, record.object, number(record.mass, format.decimal),
                                             record.unit, number(record.deviation, format.decimal),
                                             std::to_string(record.count), record.balance};
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) csv += format.separator;
      csv += field(fields[i], format.separator);
    }
    csv += kLineEnd;
  }
  return csv;
}

}  // namespace tarvelo::journal
