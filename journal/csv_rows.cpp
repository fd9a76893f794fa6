#include "journal/csv_rows.h"

#include <QStringDecoder>
#include <algorithm>
#include <string_view>

#include "journal/windows_1251.h"

namespace tarvelo::journal {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kQuote = '"';

// The file's text in UTF-8: as it is when it is valid UTF-8, which text in Windows-1251
// with any letter in it practically never is; otherwise read as Windows-1251.
std::string utf8Text(std::string_view bytes) {
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return (utf8.hasError() ? fromWindows1251(bytes) : text).toStdString();
}

// ";" or ",", whichever the first line that holds anything has more of outside quotes.
char separatorOf(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of("\r\n"), text.size()));
  size_t semicolons = 0;
  size_t commas = 0;
  bool quoted = false;
  for (const char c : text) {
    if (c == kQuote) quoted = !quoted;
    if (quoted) continue;
    if (c == '\n') break;
    semicolons += c == ';';
    commas += c == ',';
  }
  return commas > semicolons ? ',' : ';';
}

bool blank(const TableRow& row) {
  return std::all_of(row.cells.begin(), row.cells.end(), [](const TableCell& cell) {
    return cell.text.find_first_not_of(" \t") == std::string::npos;
  });
}

}  // namespace

std::vector<TableRow> csvRows(const QByteArray& file) {
  const std::string text =
      utf8Text(std::string_view(file.constData(), static_cast<size_t>(file.size())));
  const char separator = separatorOf(text);
  std::vector<TableRow> rows;
  TableRow row{1, {{}}};
  int line = 1;
  bool quoted = false;
  const auto endRow = [&] {
    if (!blank(row)) rows.push_back(std::move(row));
    row = {line, {{}}};
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = row.cells.back().text;
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (c == '\n') ++line;
    if (quoted) {
      if (c != kQuote) {
        field += c;
      } else if (i + 1 < text.size() && text[i + 1] == kQuote) {
        field += kQuote;
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == kQuote && field.empty()) {
      quoted = true;
    } else if (c == separator) {
      row.cells.emplace_back();
    } else if (c == '\n') {
      endRow();
    } else {
      field += c;
    }
  }
  endRow();
  return rows;
}

}  // namespace tarvelo::journal
