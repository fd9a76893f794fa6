#include "journal/csv_rows.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <string_view>

#include "journal/windows_1251.h"

namespace tarvelo::journal {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
constexpr char kQuote = '"';
constexpr std::array kSeparators = {';', '\t', ','};  // the first of a tie wins
constexpr int kSeparatorSearchLines = 20;            // a title or two may stand above the heading

// How UTF-8 `bytes` look: how many characters of more than one byte are valid, how many
// bytes are not, and the line of the first such byte.
struct Utf8Look {
  size_t valid = 0;
  size_t invalid = 0;
  int firstInvalidLine = 0;
};

Utf8Look lookAsUtf8(std::string_view bytes) {
  Utf8Look look;
  int line = 1;
  for (size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    line += byte == '\n';
    const size_t length = byte < 0x80 ? 1 : (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : (byte >> 3) == 0x1E ? 4 : 0;
    bool whole = length > 0 && i + length <= bytes.size();
    for (size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
    if (!whole) {
      if (look.invalid++ == 0) look.firstInvalidLine = line;
      ++i;
      continue;
    }
    look.valid += length > 1;
    i += length;
  }
  return look;
}

QByteArray utf16Text(const QByteArray& file, QStringDecoder::Encoding encoding) {
  QStringDecoder utf16(encoding, QStringDecoder::Flag::Stateless);
  const QString text = utf16(QByteArrayView(file).sliced(kUtf16LeMark.size()));
  return utf16.hasError() ? QByteArray() : text.toUtf8();
}

// The file's text in UTF-8 and its encoding's name; why it has none.
std::variant<std::pair<QByteArray, std::string>, std::string> utf8Text(const QByteArray& file) {
  const std::string_view bytes(file.constData(), static_cast<size_t>(file.size()));
  for (const auto& [mark, encoding] : {std::pair{kUtf16LeMark, QStringDecoder::Utf16LE}, {kUtf16BeMark, QStringDecoder::Utf16BE}}) {
    if (!bytes.starts_with(mark)) continue;
    QByteArray text = utf16Text(file, encoding);
    if (text.isNull()) return std::string("файл в UTF-16 повреждён: в нем есть байты, которые не составляют знаков");
    return std::pair{std::move(text), std::string("UTF-16")};
  }
  const bool marked = bytes.starts_with(kUtf8Mark);
  const Utf8Look look = lookAsUtf8(bytes);
  if (look.invalid == 0) return std::pair{marked ? file.sliced(kUtf8Mark.size()) : file, std::string("UTF-8")};
  // Text in Windows-1251 with any letter in it is practically never valid UTF-8; a file that
  // is mostly valid UTF-8 is UTF-8 with a stray byte, and read as anything else it would
  // lose its headings.
  if (marked || look.valid > look.invalid) {
    return "строка " + std::to_string(look.firstInvalidLine) +
           ": байт, которого нет в кодировке UTF-8 (файл в UTF-8, но поврежден)";
  }
  if (bytes.find('\0') != std::string_view::npos)
    return std::string("файл похож на UTF-16 без метки порядка байтов: сохраните его в UTF-8");
  return std::pair{fromWindows1251(bytes).toUtf8(), std::string("Windows-1251")};
}

// The separator the first line with any has most of outside quotes; ";" when none has any.
char separatorOf(std::string_view text) {
  bool quoted = false;
  std::array<size_t, kSeparators.size()> counts{};
  int line = 1;
  for (const char c : text) {
    if (c == kQuote) quoted = !quoted;
    if (quoted) continue;
    if (c == '\n') {
      if (std::any_of(counts.begin(), counts.end(), [](size_t count) { return count > 0; }) ||
          ++line > kSeparatorSearchLines)
        break;
    }
    for (size_t k = 0; k < kSeparators.size(); ++k) counts[k] += c == kSeparators[k];
  }
  return kSeparators[static_cast<size_t>(std::max_element(counts.begin(), counts.end()) - counts.begin())];
}

bool blank(const TableRow& row) {
  return std::all_of(row.cells.begin(), row.cells.end(), [](const TableCell& cell) {
    return cell.text.find_first_not_of(" \t") == std::string_view::npos;
  });
}

// Splits the table's text into its rows; why it cannot.
class CsvSplitter {
 public:
  explicit CsvSplitter(Table& table)
      : table_(table), text_(table.text.constData(), static_cast<size_t>(table.text.size())) {}

  std::optional<std::string> split() {
    for (size_t i = 0; i < text_.size(); ++i) {
      const char c = text_[i];
      if (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') continue;
      if (quoted_) {
        if (c == '\n') ++line_;
        if (c != kQuote) {
          field_ += c;
        } else if (i + 1 < text_.size() && text_[i + 1] == kQuote) {
          field_ += kQuote;
          ++i;
        } else {
          quoted_ = false;
        }
      } else if (c == kQuote && field_.empty()) {
        quoted_ = true;
        quoteLine_ = line_;
        fieldStart_ = i + 1;
      } else if (c == table_.separator || c == '\n') {
        if (!endField(i + 1)) return tooManyCells();
        if (c == '\n') endRow();
      } else {
        field_ += c;
      }
    }
    if (quoted_) return "строка " + std::to_string(quoteLine_) + ": кавычка не закрыта";
    if (!endField(text_.size())) return tooManyCells();
    endRow();
    return std::nullopt;
  }

 private:
  // Ends the field, its text kept where the file holds it as it is; false past the budget.
  bool endField(size_t next) {
    const std::string_view asInFile = text_.substr(std::min(fieldStart_, text_.size()), field_.size());
    if (row_.cells.size() <= kMaxRowCells) {
      if (asInFile == field_) {
        row_.cells.push_back({asInFile});
      } else {
        row_.cells.push_back({table_.own.emplace_back(field_)});
      }
      if (++cells_ > kMaxTableCells) return false;
    }
    field_.clear();
    fieldStart_ = next;
    return true;
  }
  void endRow() {
    if (!blank(row_)) table_.rows.push_back(std::move(row_));
    row_ = {++line_, {}};
  }
  static std::string tooManyCells() {
    return "в файле больше " + std::to_string(kMaxTableCells) + " ячеек — это не список животных";
  }

  Table& table_;
  std::string_view text_;
  TableRow row_{1, {}};
  std::string field_;
  size_t fieldStart_ = 0;
  size_t cells_ = 0;
  int line_ = 1;
  int quoteLine_ = 0;
  bool quoted_ = false;
};

}  // namespace

std::variant<Table, std::string> csvRows(const QByteArray& file) {
  auto text = utf8Text(file);
  if (auto* failure = std::get_if<std::string>(&text)) return std::move(*failure);
  Table table;
  std::tie(table.text, table.source) = std::get<std::pair<QByteArray, std::string>>(std::move(text));
  if (table.text.trimmed().isEmpty()) return std::string("файл пуст");
  table.fixedWidth = true;
  table.separator = separatorOf(std::string_view(table.text.constData(), static_cast<size_t>(table.text.size())));
  if (auto failure = CsvSplitter(table).split()) return std::move(*failure);
  return table;
}

}  // namespace tarvelo::journal
