#include "journal/animal_list_import.h"

#include <QDate>
#include <QFile>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <map>
#include <string_view>
#include <variant>

#include "journal/csv_rows.h"
#include "journal/path_text.h"
#include "journal/xlsx_rows.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::journal {

namespace {

constexpr qint64 kMaxFileMegabytes = 64;
constexpr qint64 kMaxFileBytes = kMaxFileMegabytes << 20;
constexpr std::string_view kZipStart = "PK\x03\x04";
constexpr std::string_view kOldWorkbookStart = "\xD0\xCF\x11\xE0";  // a compound file: .xls

using Field = ListField;
constexpr size_t kFields = kListFields;

// The headings of each column, lower case, without a unit, the surest first: of two
// columns that both may be the number ("№" and "№ животного") the surer is taken.
struct Headings {
  Field field;
  std::initializer_list<std::string_view> names;
};
const Headings kHeadings[] = {
    {Field::Number,
     {"№ животного", "номер животного", "animal id", "rfid", "ear tag", "tag", "животное", "animal",
      "номер", "number", "id", "№"}},
    {Field::Cage, {"клетка", "cage"}},
    {Field::Group, {"группа", "group"}},
    {Field::Sex, {"пол", "sex", "gender"}},
    {Field::Born, {"дата рождения", "date of birth", "birth date", "dob", "рождение", "born"}},
    {Field::Weight,
     {"исходный вес", "reference weight", "body weight", "вес", "weight", "масса", "mass"}},
    {Field::Strain, {"линия", "strain", "line"}},
    {Field::Genotype, {"генотип", "genotype"}},
    {Field::Study,
     {"исследование", "study", "study id", "протокол", "№ протокола", "номер протокола", "protocol",
      "protocol number"}},
    {Field::EarMark, {"метка уха", "ушная метка", "ear mark", "earmark", "ear notch", "ear punch"}},
};

// The units a weight heading may give ("Вес, г", "Weight (kg)"); none is grams.
struct WeightUnit {
  std::string_view name;
  double grams;
};
constexpr WeightUnit kWeightUnits[] = {{"", 1},  {"г", 1},     {"гр", 1},
                                       {"g", 1}, {"кг", 1000}, {"kg", 1000}};

// A sheet's date number: day 1 is 1900-01-01, and day 60 the 1900-02-29 the sheet
// program counts though it never was, so the later days are one day further on.
constexpr int kFictitiousLeapDay = 60;
constexpr int kLastDateNumber = 2958465;  // 9999-12-31
// In a workbook of the 1904 date system, day 0 is 1904-01-01.
const QDate kFirstDay1904(1904, 1, 1);
// A number that is longer than this is no number of a list, and is not copied to be said.
constexpr size_t kShownCharacters = 40;
constexpr size_t kMaxUtf8Bytes = 4;  // of one character
constexpr size_t kMaxCountedBytes = 64 << 10;
constexpr size_t kMaxHeadingBytes = 256;  // a longer text heads no column of ours
constexpr int kDateYearDigits = 4;
constexpr int kDateDayDigits = 2;

using Columns = std::array<std::optional<size_t>, kFields>;

struct Layout {
  Columns columns;
  std::string weightUnit;  // as the weight's heading gives it
  std::vector<std::string> unread;  // the headings of the other columns
};

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// `text` in quotes; a long one cut short.
std::string inQuotes(std::string_view text) {
  const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(std::min(text.size(), kShownCharacters * kMaxUtf8Bytes)));
  return "«" + (shown.size() > static_cast<qsizetype>(kShownCharacters) ? shown.left(kShownCharacters) + "…" : shown).toStdString() + "»";
}

ImportedList failed(std::string error) {
  ImportedList list;
  list.error = std::move(error);
  return list;
}

// A heading's name and its unit: "Вес, г" and "Weight (g)" are "вес" in "г" and
// "weight" in "g".
struct HeadingText {
  std::string name;
  std::string unit;
};

HeadingText headingText(std::string_view heading) {
  if (heading.size() > kMaxHeadingBytes) return {};
  const QString text = QString::fromUtf8(heading.data(), static_cast<qsizetype>(heading.size())).toLower();
  // The unit follows the name after a bracket or a comma: "вес, г", "Вес (г)".
  const qsizetype cut =
      std::find_if(text.begin(), text.end(), [](QChar c) { return QStringView(u"([,").contains(c); }) - text.begin();
  QString unit = text.mid(cut);
  unit.removeIf([](QChar c) { return QStringView(u"()[],.").contains(c); });
  return {text.left(cut).simplified().toStdString(), unit.simplified().toStdString()};
}

// Where each column is, by the headings in `headings`.
Layout layoutOf(const TableRow& headings) {
  Layout layout;
  std::array<size_t, kFields> ranks{};  // the taken heading's place among its field's names
  std::vector<std::optional<Field>> taken(headings.cells.size());
  for (size_t column = 0; column < headings.cells.size(); ++column) {
    const HeadingText text = headingText(headings.cells[column].text);
    for (const Headings& field : kHeadings) {
      const auto* name = std::find(field.names.begin(), field.names.end(), text.name);
      const auto index = static_cast<size_t>(field.field);
      const auto rank = static_cast<size_t>(name - field.names.begin());
      if (name == field.names.end() || (layout.columns[index] && ranks[index] <= rank)) continue;
      layout.columns[index] = column;
      ranks[index] = rank;
      if (field.field == Field::Weight) layout.weightUnit = text.unit;
    }
  }
  for (size_t column = 0; column < headings.cells.size(); ++column) {
    const std::string_view heading = trimmed(headings.cells[column].text);
    if (!heading.empty() && std::find(layout.columns.begin(), layout.columns.end(), column) == layout.columns.end())
      layout.unread.emplace_back(heading);
  }
  return layout;
}

// "2026-10-01", "01.10.2026" or "01/10/2026" (a day or month may have one digit) as
// the date; an invalid one when it is no such real day.
QDate dateOfText(std::string_view text) {
  std::array<int, 3> parts{};
  std::array<std::ptrdiff_t, 3> digits{};
  char separator = 0;
  const char* at = text.data();
  const char* end = at + text.size();
  for (size_t i = 0; i < parts.size(); ++i) {
    if (at == end || *at < '0' || *at > '9') return {};
    const char* start = at;
    at = std::from_chars(at, end, parts[i]).ptr;
    digits[i] = at - start;
    if (i + 1 == parts.size()) break;
    if (at == end || std::string_view("-./").find(*at) == std::string_view::npos ||
        (separator != 0 && *at != separator))
      return {};
    separator = *at++;
  }
  const bool yearFirst = separator == '-' && digits[0] == kDateYearDigits &&
                         digits[1] <= kDateDayDigits && digits[2] <= kDateDayDigits;
  const bool dayFirst = separator != '-' && digits[2] == kDateYearDigits &&
                        digits[0] <= kDateDayDigits && digits[1] <= kDateDayDigits;
  if (at != end || !(yearFirst || dayFirst)) return {};
  return yearFirst ? QDate(parts[0], parts[1], parts[2]) : QDate(parts[2], parts[1], parts[0]);
}

QDate dateOfNumber(double number, bool date1904) {
  if (!(number >= (date1904 ? 0 : 1) && number < kLastDateNumber + 1)) return {};
  const int day = static_cast<int>(number);  // a time of day after it is left out
  if (date1904) return kFirstDay1904.addDays(day);
  if (day == kFictitiousLeapDay) return {};
  return QDate(1899, 12, 31).addDays(day < kFictitiousLeapDay ? day : day - 1);
}

// Reads the rows below the heading into the list.
class ListReader {
 public:
  ListReader(const Table& table, const Layout& layout, double weightGrams, size_t headingCells, ImportedList& list)
      : table_(table), layout_(layout), weightGrams_(weightGrams), headingCells_(headingCells), list_(list) {}

  void read(std::vector<TableRow>::const_iterator row, std::vector<TableRow>::const_iterator end) {
    std::map<std::string, int, std::less<>> lines;  // the line each number was first on
    for (; row != end; ++row) {
      std::optional<std::string> refused = widthRefusal(*row);
      Animal animal;
      if (!refused) refused = animalOf(*row, animal);
      if (!refused) {
        const auto [first, fresh] = lines.emplace(animal.number, row->line);
        if (fresh) {
          list_.animals.push_back(std::move(animal));
          list_.lines.push_back(row->line);
          continue;
        }
        refused = "номер " + inQuotes(animal.number) + " уже был в строке " + std::to_string(first->second);
      }
      list_.refused.push_back({row->line, std::move(*refused)});
    }
  }

 private:
  // A CSV line with more cells than the heading, but for empty ones after its last, or
  // with fewer.
  std::optional<std::string> widthRefusal(const TableRow& row) const {
    if (!table_.fixedWidth) return std::nullopt;
    size_t cells = row.cells.size();
    while (cells > headingCells_ && trimmed(row.cells[cells - 1].text).empty()) --cells;
    if (cells == headingCells_) return std::nullopt;
    std::string reason = "полей " + std::to_string(cells) + (cells > kMaxRowCells ? "+" : "") + ", а в заголовке " +
                         std::to_string(headingCells_);
    if (cells > headingCells_ && table_.separator == ',')
      reason += ": число с десятичной запятой в файле с разделителем «,» возьмите в кавычки";
    return reason;
  }

  // The cell of `field`, trimmed; why it gives no value.
  std::variant<TableCell, std::string> cell(const TableRow& row, Field field) const {
    const std::optional<size_t> column = layout_.columns[static_cast<size_t>(field)];
    if (!column || *column >= row.cells.size()) return TableCell{};
    const TableCell& found = row.cells[*column];
    if (found.flaw == CellFlaw::Error) return "в ячейке ошибка " + inQuotes(found.text);
    if (found.flaw == CellFlaw::FormulaWithoutValue) return std::string("в ячейке формула без сохраненного значения");
    return TableCell{trimmed(found.text), found.number};
  }

  std::optional<std::string> animalOf(const TableRow& row, Animal& animal) const {
    std::array<TableCell, kFields> cells;
    for (size_t field = 0; field < kFields; ++field) {
      auto read = cell(row, static_cast<Field>(field));
      if (auto* refused = std::get_if<std::string>(&read)) return *refused;
      cells[field] = std::get<TableCell>(read);
    }
    const auto at = [&cells](Field field) { return cells[static_cast<size_t>(field)]; };
    if (auto refused = listNumberRefusal(at(Field::Number).text)) return refused;
    animal.number = at(Field::Number).text;
    for (const TextField& field : kTextFields) {
      const std::string_view text = at(field.field).text;
      if (text.size() > kMaxFieldCharacters * kMaxUtf8Bytes ||
          static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; })) >
              kMaxFieldCharacters)
        return std::string("поле «") + field.name + "» длиннее " + std::to_string(kMaxFieldCharacters) + " знаков";
      if (field.field != Field::Born) animal.*field.member = text;
    }
    if (auto refused = animalRefusal(animal)) return refused;
    if (auto refused = readWeight(at(Field::Weight), animal)) return refused;
    return readBorn(at(Field::Born), animal);
  }

  std::optional<std::string> readWeight(const TableCell& weight, Animal& animal) const {
    if (weight.text.empty()) return std::nullopt;
    double grams = 0;
    try {
      grams = (weight.number ? *weight.number : weighing::parseNumber(weight.text)) * weightGrams_;
    } catch (const weighing::ConversionError&) {
      return "вес " + inQuotes(weight.text) + " — не число";
    }
    if (!(grams > 0)) return "вес " + inQuotes(weight.text) + " не больше нуля";
    // "1e306" kilograms is more grams than a number holds.
    if (!(grams <= kMaxReferenceGrams))
      return "вес " + inQuotes(weight.text) + " больше " + std::to_string(static_cast<int>(kMaxReferenceGrams / 1000)) + " кг";
    animal.referenceGrams = grams;
    return std::nullopt;
  }

  std::optional<std::string> readBorn(const TableCell& born, Animal& animal) const {
    if (born.text.empty()) return std::nullopt;
    const QDate date = born.number ? dateOfNumber(*born.number, table_.date1904) : dateOfText(born.text);
    if (!date.isValid()) return "дата рождения " + inQuotes(born.text) + " — не дата";
    if (date > QDate::currentDate()) return "дата рождения " + date.toString("dd.MM.yyyy").toStdString() + " в будущем";
    animal.born = date.toString(Qt::ISODate).toStdString();
    return std::nullopt;
  }

  const Table& table_;
  const Layout& layout_;
  double weightGrams_;
  size_t headingCells_;
  ImportedList& list_;
};

// The first row that names the number column, and where the columns are by it: a title
// above it is passed over.
std::vector<TableRow>::const_iterator headingRow(const Table& table, Layout& layout) {
  return std::find_if(table.rows.begin(), table.rows.end(), [&layout](const TableRow& row) {
    layout = layoutOf(row);
    return layout.columns[static_cast<size_t>(Field::Number)].has_value();
  });
}

// The animals of the rows below the heading row.
ImportedList listOf(const Table& table) {
  Layout layout;
  const auto headings = headingRow(table, layout);
  if (headings == table.rows.end()) return failed("в файле нет столбца с номером животного");
  if (table.fixedWidth && headings->cells.size() > kMaxRowCells)
    return failed("в заголовке больше " + std::to_string(kMaxRowCells) + " столбцов — это не список животных");
  const auto* unit =
      std::find_if(std::begin(kWeightUnits), std::end(kWeightUnits),
                   [&layout](const WeightUnit& known) { return known.name == layout.weightUnit; });
  if (unit == std::end(kWeightUnits)) {
    return failed("единица веса " + inQuotes(layout.weightUnit) +
                  " не известна: вес читается в граммах (г, g) или килограммах (кг, kg)");
  }
  ImportedList list;
  for (size_t field = 0; field < kFields; ++field) list.given[field] = layout.columns[field].has_value();
  list.unread = layout.unread;
  ListReader(table, layout, unit->grams, headings->cells.size(), list).read(headings + 1, table.rows.end());
  return list;
}

std::string sheetFailureText(const SheetFailure& failure) {
  if (failure.tooManyCells)
    return "на листе больше " + std::to_string(kMaxTableCells) + " ячеек — это не список животных";
  switch (failure.what) {
    case ZipFailure::NotAnArchive:
      return "файл не читается как книга .xlsx: он поврежден или обрезан";
    case ZipFailure::Unsupported:
      return "часть " + inQuotes(failure.part) +
             " книги .xlsx записана так, как программа не читает";
    case ZipFailure::Damaged:
      return "книга .xlsx повреждена: часть " + inQuotes(failure.part) + " не читается";
    case ZipFailure::TooLarge:
      return "часть " + inQuotes(failure.part) + " книги .xlsx больше " +
             std::to_string(kMaxInflatedBytes >> 20) + " МБ";
    case ZipFailure::Missing:
      break;
  }
  return "в книге .xlsx нет части " + inQuotes(failure.part);
}

// The list of the first sheet that has the number's column.
ImportedList workbookList(const QByteArray& file) {
  std::variant<Workbook, SheetFailure> opened = Workbook::open(file);
  if (const auto* failure = std::get_if<SheetFailure>(&opened)) return failed(sheetFailureText(*failure));
  const Workbook& book = std::get<Workbook>(opened);
  for (size_t sheet = 0; sheet < book.sheets().size(); ++sheet) {
    std::variant<Table, SheetFailure> rows = book.rows(sheet);
    if (const auto* failure = std::get_if<SheetFailure>(&rows)) return failed(sheetFailureText(*failure));
    Layout layout;
    const Table& table = std::get<Table>(rows);
    if (headingRow(table, layout) == table.rows.end()) continue;
    ImportedList list = listOf(table);
    list.source = "лист " + inQuotes(table.source);
    return list;
  }
  return failed("ни на одном листе книги нет столбца с номером животного");
}

}  // namespace

std::optional<std::string> listNumberRefusal(std::string_view number) {
  if (number.empty()) return std::string("нет номера животного");
  // Counted only when it is short enough to count: a shared string of megabytes may stand
  // in every row of a sheet.
  if (number.size() > kMaxCountedBytes) return "номер длиннее " + std::to_string(kAnimalNumberLimit) + " знаков";
  if (auto refused = animalNumberRefusal(number)) return refused;
  const QString text = QString::fromUtf8(number.data(), static_cast<qsizetype>(number.size()));
  for (const QChar c : text) {
    if (!c.isLetterOrNumber() && c != u' ' && c != u'-' && c != u'_' && c != u'.' && c != u'/')
      return "в номере знак " + inQuotes(QString(c).toStdString()) + ": допустимы буквы, цифры, пробел и - _ . /";
  }
  return std::nullopt;
}

ImportedList importAnimalList(const std::filesystem::path& file) {
  QFile in(pathText(file));
  if (!in.open(QIODevice::ReadOnly))
    return failed("файл не открывается: " + in.errorString().toStdString());
  if (in.size() > kMaxFileBytes)
    return failed("файл больше " + std::to_string(kMaxFileMegabytes) +
                  " МБ — это не список животных");
  const QByteArray bytes = in.readAll();
  if (in.error() != QFileDevice::NoError)
    return failed("файл не прочитан: " + in.errorString().toStdString());
  if (bytes.startsWith(QByteArrayView(kOldWorkbookStart.data(), kOldWorkbookStart.size())))
    return failed("файл — книга старого формата .xls: сохраните её как .xlsx или CSV");
  if (bytes.startsWith(QByteArrayView(kZipStart.data(), kZipStart.size()))) return workbookList(bytes);
  std::variant<Table, std::string> table = csvRows(bytes);
  if (auto* failure = std::get_if<std::string>(&table)) return failed(std::move(*failure));
  const Table& rows = std::get<Table>(table);
  ImportedList list = listOf(rows);
  const char* separator = rows.separator == '\t' ? "табуляция" : rows.separator == ',' ? "«,»" : "«;»";
  list.source = rows.source + ", разделитель " + separator;
  return list;
}

}  // namespace tarvelo::journal
