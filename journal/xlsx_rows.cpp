#include "journal/xlsx_rows.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <functional>
#include <map>
#include <optional>

namespace tarvelo::journal {

namespace {

constexpr char kWorkbook[] = "xl/workbook.xml";
constexpr char kWorkbookRelations[] = "xl/_rels/workbook.xml.rels";
constexpr char kSharedStrings[] = "xl/sharedStrings.xml";
constexpr char kPartsFolder[] = "xl/";  // where a relationship's relative target lies
constexpr int kLetters = 26;
constexpr int kColumns = kLetters + kLetters * kLetters;  // A to ZZ
// Far deeper than a string's runs are ever nested.
constexpr int kMaxTextDepth = 16;
const QString kOverBudget = QStringLiteral("more cells than a list has");

// Walks part `name` with `read`; why it could not.
std::optional<SheetFailure> readPart(const ZipArchive& archive, const std::string& name,
                                     const std::function<void(QXmlStreamReader&)>& read) {
  std::variant<QByteArray, ZipFailure> file = archive.file(name);
  if (const auto* failure = std::get_if<ZipFailure>(&file)) return SheetFailure{*failure, name};
  QXmlStreamReader xml(std::get<QByteArray>(file));
  read(xml);
  if (xml.hasError()) return SheetFailure{ZipFailure::Damaged, name, xml.errorString() == kOverBudget};
  return std::nullopt;
}

void overBudget(QXmlStreamReader& xml) { xml.raiseError(kOverBudget); }

// The current element's attribute `name`; empty when it has none.
QString attribute(const QXmlStreamReader& xml, const char* name) {
  return xml.attributes().value(QLatin1String(name)).toString();
}

// Walks the part to the next start element named `name`; false at its end.
bool nextElement(QXmlStreamReader& xml, QStringView name) {
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == name) return true;
  }
  return false;
}

// The current element's relationship id ("r:id", whatever the prefix).
QString relationshipId(const QXmlStreamReader& xml) {
  for (const QXmlStreamAttribute& attribute : xml.attributes()) {
    if (attribute.name() == u"id") return attribute.value().toString();
  }
  return {};
}

// The parts the relationships lead to, by id.
std::map<QString, std::string> targets(QXmlStreamReader& xml) {
  std::map<QString, std::string> parts;
  while (nextElement(xml, u"Relationship")) {
    const QString target = attribute(xml, "Target");
    parts[attribute(xml, "Id")] = target.startsWith('/') ? target.mid(1).toStdString() : kPartsFolder + target.toStdString();
  }
  return parts;
}

// The text of the current string element (a shared string, an inline string): its text
// runs in order, without the phonetic guides; walked without recursion.
void appendText(QXmlStreamReader& xml, QString& text) {
  int depth = 0;  // below the string element
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::EndElement && depth-- == 0) return;
    if (token != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"t") {
      text += xml.readElementText();
    } else if (xml.name() == u"rPh") {
      xml.skipCurrentElement();
    } else if (++depth > kMaxTextDepth) {
      xml.raiseError(QStringLiteral("nested too deep"));
      return;
    }
  }
}

std::vector<std::string> sharedStrings(QXmlStreamReader& xml) {
  std::vector<std::string> strings;
  while (nextElement(xml, u"si")) {
    QString text;
    appendText(xml, text);
    strings.push_back(text.toStdString());
  }
  return strings;
}

// Reads a sheet's cells into a table; the part is damaged when a shared string's index
// is not one.
class SheetReader {
 public:
  SheetReader(QXmlStreamReader& xml, Table& table) : xml_(xml), table_(table) {}

  void read() {
    int line = 0;
    int column = -1;
    std::vector<TableRow>& rows = table_.rows;
    while (!xml_.atEnd()) {
      if (xml_.readNext() != QXmlStreamReader::StartElement) continue;
      if (xml_.name() == u"row") {
        const QString number = attribute(xml_, "r");
        line = number.isEmpty() ? line + 1 : number.toInt();
        column = -1;
        if (!rows.empty() && rows.back().cells.empty()) rows.pop_back();
        rows.push_back({line, {}});
      } else if (xml_.name() == u"c" && !rows.empty()) {
        column = columnOf(attribute(xml_, "r")).value_or(column + 1);
        TableCell cell = cellValue();
        if (column >= kColumns || (cell.text.empty() && cell.flaw == CellFlaw::None)) continue;
        std::vector<TableCell>& cells = rows.back().cells;
        const auto wanted = static_cast<size_t>(column) + 1;
        if (cells.size() < wanted) {
          cells_ += wanted - cells.size();
          if (cells_ > kMaxTableCells) return overBudget(xml_);
          cells.resize(wanted);
        }
        cells[wanted - 1] = cell;
      }
    }
    if (!rows.empty() && rows.back().cells.empty()) rows.pop_back();
  }

 private:
  TableCell cellValue() {
    const QString type = attribute(xml_, "t");
    QString value;
    QString inlineText;
    bool formula = false;
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"v") {
        value = xml_.readElementText();
      } else if (xml_.name() == u"is") {
        appendText(xml_, inlineText);
      } else {
        formula = formula || xml_.name() == u"f";
        xml_.skipCurrentElement();
      }
    }
    if (type == u"inlineStr") return {table_.own.emplace_back(inlineText.toStdString())};
    // A sheet program that did not work out the formula writes no value, or an empty one.
    if (formula && value.isEmpty()) return {{}, {}, CellFlaw::FormulaWithoutValue};
    const std::string text = value.toStdString();
    if (type == u"s") return sharedString(text);
    if (type == u"e") return {table_.own.emplace_back(text), {}, CellFlaw::Error};
    // Values of the other types (a formula's text, a truth value) are text.
    const bool numeric = type.isEmpty() || type == u"n";
    double number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    const std::string_view kept = text.empty() ? std::string_view() : table_.own.emplace_back(text);
    if (!numeric || text.empty() || error != std::errc{} || stop != end) return {kept};
    return {kept, number};
  }

  TableCell sharedString(const std::string& index) {
    size_t at = 0;
    const auto [stop, error] = std::from_chars(index.data(), index.data() + index.size(), at);
    const std::vector<std::string>& strings = *table_.shared;
    if (error == std::errc{} && stop == index.data() + index.size() && at < strings.size()) return {strings[at]};
    xml_.raiseError(QStringLiteral("shared string"));
    return {};
  }

  // The column of a cell reference ("AB12" is 27), from 0; kColumns when it lies beyond ZZ;
  // none when the reference has no letters.
  static std::optional<int> columnOf(QStringView reference) {
    int column = 0;
    qsizetype letters = 0;
    for (; letters < reference.size() && reference[letters] >= u'A' && reference[letters] <= u'Z'; ++letters)
      column = std::min(column * kLetters + (reference[letters].unicode() - u'A' + 1), kColumns + 1);
    return letters == 0 ? std::nullopt : std::optional(column - 1);
  }

  QXmlStreamReader& xml_;
  Table& table_;
  size_t cells_ = 0;
};

}  // namespace

std::variant<Workbook, SheetFailure> Workbook::open(const QByteArray& file) {
  std::variant<ZipArchive, ZipFailure> opened = ZipArchive::open(file);
  if (const auto* failure = std::get_if<ZipFailure>(&opened)) return SheetFailure{*failure, {}};
  Workbook book(std::move(std::get<ZipArchive>(opened)));
  std::vector<QString> ids;
  if (auto failure = readPart(book.archive_, kWorkbook, [&](QXmlStreamReader& xml) {
        while (!xml.atEnd()) {
          if (xml.readNext() != QXmlStreamReader::StartElement) continue;
          if (xml.name() == u"workbookPr") {
            const QString date1904 = attribute(xml, "date1904");
            book.date1904_ = date1904 == u"1" || date1904 == u"true";
          } else if (xml.name() == u"sheet") {
            book.names_.push_back(attribute(xml, "name").toStdString());
            ids.push_back(relationshipId(xml));
          }
        }
      }))
    return *failure;
  if (ids.empty()) return SheetFailure{ZipFailure::Damaged, kWorkbook};
  std::map<QString, std::string> parts;
  if (auto failure = readPart(book.archive_, kWorkbookRelations, [&](QXmlStreamReader& xml) { parts = targets(xml); }))
    return *failure;
  for (const QString& id : ids) {
    const auto part = parts.find(id);
    if (part == parts.end()) return SheetFailure{ZipFailure::Damaged, kWorkbookRelations};
    book.parts_.push_back(part->second);
  }
  std::vector<std::string> strings;
  if (book.archive_.contains(kSharedStrings)) {
    if (auto failure = readPart(book.archive_, kSharedStrings, [&](QXmlStreamReader& xml) { strings = sharedStrings(xml); }))
      return *failure;
  }
  book.strings_ = std::make_shared<const std::vector<std::string>>(std::move(strings));
  return book;
}

std::variant<Table, SheetFailure> Workbook::rows(size_t index) const {
  Table table;
  table.source = names_.at(index);
  table.date1904 = date1904_;
  table.shared = strings_;
  if (auto failure = readPart(archive_, parts_.at(index), [&](QXmlStreamReader& xml) { SheetReader(xml, table).read(); }))
    return *failure;
  return table;
}

}  // namespace tarvelo::journal
