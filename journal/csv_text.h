#pragma once

#include <string>

namespace tarvelo::journal {

// The texts of a CSV export: a field is quoted when it holds the separator, a quote or a
// line break, its quotes doubled; a text a spreadsheet program would take for a formula
// starts with an apostrophe, which it shows as text and hides; a number takes the
// export's decimal separator.
std::string csvField(const std::string& text, char separator);
std::string inertText(const std::string& text);
std::string numberText(std::string text, char decimal);

// `value` with `decimals` decimals and a point, the same text on every system.
std::string fixedText(double value, int decimals);

inline constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
inline constexpr char kCsvLineEnd[] = "\r\n";

// The fields as one line, each quoted when it must be.
template <typename Fields>
void appendCsvLine(std::string& csv, const Fields& fields, char separator) {
  bool first = true;
  for (const std::string& text : fields) {
    if (!first) csv += separator;
    first = false;
    csv += csvField(text, separator);
  }
  csv += kCsvLineEnd;
}

}  // namespace tarvelo::journal
