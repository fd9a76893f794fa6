#include "journal/xlsx_rows.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>

namespace tarvelo::journal {

namespace {

constexpr char kWorkbook[] = "xl/workbook.xml";
constexpr char kWorkbookRelations[] = "xl/_rels/workbook.xml.rels";
constexpr char kSharedStrings[] = "xl/sharedStrings.xml";
constexpr char kPartsFolder[] = "xl/";  // where a relationship's relative target lies
constexpr int kLetters = 26;
constexpr int kColumns = kLetters + kLetters * kLetters;  // A to ZZ
// Far deeper than a string's runs are ever nested; a part nested deeper is damaged, not
// walked down until the stack runs out.
constexpr int kMaxTextDepth = 16;

// Walks part `name` with `read`; why it could not.
std::optional<SheetFailure> readPart(const ZipArchive& archive, const std::string& name,
                                     const std::function<void(QXmlStreamReader&)>& read) {
  std::variant<QByteArray, ZipFailure> file = archive.file(name);
  if (const auto* failure = std::get_if<ZipFailure>(&file)) return SheetFailure{*failure, name};
  QXmlStreamReader xml(std::get<QByteArray>(file));
  read(xml);
  if (xml.hasError()) return SheetFailure{ZipFailure::Damaged, name};
  return std::nullopt;
}

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

// The relationship id of the workbook's first sheet (its "r:id", whatever the prefix).
QString firstSheetId(QXmlStreamReader& xml) {
  if (!nextElement(xml, u"sheet")) return {};
  for (const QXmlStreamAttribute& attribute : xml.attributes()) {
    if (attribute.name() == u"id") return attribute.value().toString();
  }
  return {};
}

// The part the relationship `id` leads to; empty when there is none.
std::string targetOf(QXmlStreamReader& xml, const QString& id) {
  while (nextElement(xml, u"Relationship")) {
    if (attribute(xml, "Id") != id) continue;
    const QString target = attribute(xml, "Target");
    return target.startsWith('/') ? target.mid(1).toStdString()
                                  : kPartsFolder + target.toStdString();
  }
  return {};
}

// The text of the current string element (a shared string, an inline string): its text
// runs in order, without the phonetic guides.
void appendText(QXmlStreamReader& xml, QString& text, int depth = 0) {
  while (xml.readNextStartElement()) {
    if (xml.name() == u"t") {
      text += xml.readElementText();
    } else if (xml.name() == u"rPh") {
      xml.skipCurrentElement();
    } else if (depth == kMaxTextDepth) {
      xml.raiseError(QStringLiteral("nested too deep"));
    } else {
      appendText(xml, text, depth + 1);
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

// The current cell's value by its type; the part is damaged when a shared string's index
// is not one.
TableCell cellValue(QXmlStreamReader& xml, const std::vector<std::string>& strings) {
  const QString type = attribute(xml, "t");
  std::string value;
  QString inlineText;
  while (xml.readNextStartElement()) {
    if (xml.name() == u"v") {
      value = xml.readElementText().toStdString();
    } else if (xml.name() == u"is") {
      appendText(xml, inlineText);
    } else {
      xml.skipCurrentElement();  // a formula: its value is in "v"
    }
  }
  if (type == u"inlineStr") return {inlineText.toStdString()};
  if (type == u"s") {
    size_t index = 0;
    const auto [stop, error] = std::from_chars(value.data(), value.data() + value.size(), index);
    if (error == std::errc{} && stop == value.data() + value.size() && index < strings.size())
      return {strings[index]};
    xml.raiseError(QStringLiteral("shared string"));
    return {};
  }
  // Values of the other types (a formula's text, a truth value, an error) are text.
  const bool numeric = type.isEmpty() || type == u"n";
  double number = 0;
  const char* end = value.data() + value.size();
  const auto [stop, error] = std::from_chars(value.data(), end, number);
  if (!numeric || value.empty() || error != std::errc{} || stop != end) return {value};
  return {value, number};
}

// The column of a cell reference ("AB12" is 27), from 0; kColumns when it lies beyond ZZ;
// none when the reference has no letters.
std::optional<int> columnOf(QStringView reference) {
  int column = 0;
  qsizetype letters = 0;
  for (; letters < reference.size() && reference[letters] >= u'A' && reference[letters] <= u'Z';
       ++letters)
    column = std::min(column * kLetters + (reference[letters].unicode() - u'A' + 1), kColumns + 1);
  return letters == 0 ? std::nullopt : std::optional(column - 1);
}

std::vector<TableRow> sheetRows(QXmlStreamReader& xml, const std::vector<std::string>& strings) {
  std::vector<TableRow> rows;
  int line = 0;
  int column = -1;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == u"row") {
      const QString number = attribute(xml, "r");
      line = number.isEmpty() ? line + 1 : number.toInt();
      column = -1;
      if (!rows.empty() && rows.back().cells.empty()) rows.pop_back();
      rows.push_back({line, {}});
    } else if (xml.name() == u"c" && !rows.empty()) {
      column = columnOf(attribute(xml, "r")).value_or(column + 1);
      TableCell cell = cellValue(xml, strings);
      if (column >= kColumns || cell.text.empty()) continue;
      std::vector<TableCell>& cells = rows.back().cells;
      if (cells.size() <= static_cast<size_t>(column))
        cells.resize(static_cast<size_t>(column) + 1);
      cells[static_cast<size_t>(column)] = std::move(cell);
    }
  }
  if (!rows.empty() && rows.back().cells.empty()) rows.pop_back();
  return rows;
}

}  // namespace

std::variant<std::vector<TableRow>, SheetFailure> firstSheetRows(const QByteArray& file) {
  std::variant<ZipArchive, ZipFailure> opened = ZipArchive::open(file);
  if (const auto* failure = std::get_if<ZipFailure>(&opened)) return SheetFailure{*failure, {}};
  const ZipArchive& archive = std::get<ZipArchive>(opened);
  QString sheetId;
  if (auto failure =
          readPart(archive, kWorkbook, [&](QXmlStreamReader& xml) { sheetId = firstSheetId(xml); }))
    return *failure;
  if (sheetId.isEmpty()) return SheetFailure{ZipFailure::Damaged, kWorkbook};
  std::string sheet;
  if (auto failure = readPart(archive, kWorkbookRelations,
                              [&](QXmlStreamReader& xml) { sheet = targetOf(xml, sheetId); }))
    return *failure;
  if (sheet.empty()) return SheetFailure{ZipFailure::Damaged, kWorkbookRelations};
  std::vector<std::string> strings;
  if (archive.contains(kSharedStrings)) {
    if (auto failure = readPart(archive, kSharedStrings,
                                [&](QXmlStreamReader& xml) { strings = sharedStrings(xml); }))
      return *failure;
  }
  std::vector<TableRow> rows;
  if (auto failure =
          readPart(archive, sheet, [&](QXmlStreamReader& xml) { rows = sheetRows(xml, strings); }))
    return *failure;
  return rows;
}

}  // namespace tarvelo::journal
