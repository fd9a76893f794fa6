#include "journal/animal_list_import.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
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

enum class Field { Number, Cage, Group, Sex, Born, Weight, Count };
constexpr size_t kFields = static_cast<size_t>(Field::Count);

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
constexpr int kDateYearDigits = 4;
constexpr int kDateDayDigits = 2;

using Columns = std::array<std::optional<size_t>, kFields>;

struct Layout {
  Columns columns;
  std::string weightUnit;  // as the weight's heading gives it
};

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string inQuotes(const std::string& text) { return "«" + text + "»"; }

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

HeadingText headingText(const std::string& heading) {
  const QString text = QString::fromStdString(heading).toLower();
  const qsizetype cut = text.indexOf(QRegularExpression(QStringLiteral("[(\\[,]")));
  const QString unit =
      cut < 0 ? QString()
              : text.mid(cut).remove(QRegularExpression(QStringLiteral("[(\\[,)\\].]")));
  return {text.left(cut).simplified().toStdString(), unit.simplified().toStdString()};
}

// Where each column is, by the headings in `headings`.
Layout layoutOf(const TableRow& headings) {
  Layout layout;
  std::array<size_t, kFields> ranks{};  // the taken heading's place among its field's names
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
  return layout;
}

// "2026-10-01", "01.10.2026" or "01/10/2026" (a day or month may have one digit) as
// "2026-10-01"; none when it is no such real day.
std::optional<std::string> dateOfText(std::string_view text) {
  std::array<int, 3> parts{};
  std::array<std::ptrdiff_t, 3> digits{};
  char separator = 0;
  const char* at = text.data();
  const char* end = at + text.size();
  for (size_t i = 0; i < parts.size(); ++i) {
    if (at == end || *at < '0' || *at > '9') return std::nullopt;
    const char* start = at;
    at = std::from_chars(at, end, parts[i]).ptr;
    digits[i] = at - start;
    if (i + 1 == parts.size()) break;
    if (at == end || std::string_view("-./").find(*at) == std::string_view::npos ||
        (separator != 0 && *at != separator))
      return std::nullopt;
    separator = *at++;
  }
  const bool yearFirst = separator == '-' && digits[0] == kDateYearDigits &&
                         digits[1] <= kDateDayDigits && digits[2] <= kDateDayDigits;
  const bool dayFirst = separator != '-' && digits[2] == kDateYearDigits &&
                        digits[0] <= kDateDayDigits && digits[1] <= kDateDayDigits;
  if (at != end || !(yearFirst || dayFirst)) return std::nullopt;
  const QDate date =
      yearFirst ? QDate(parts[0], parts[1], parts[2]) : QDate(parts[2], parts[1], parts[0]);
  if (!date.isValid()) return std::nullopt;
  return date.toString(Qt::ISODate).toStdString();
}

std::optional<std::string> dateOfNumber(double number) {
  if (!(number >= 1 && number < kLastDateNumber + 1)) return std::nullopt;
  const int day = static_cast<int>(number);  // a time of day after it is left out
  if (day == kFictitiousLeapDay) return std::nullopt;
  return QDate(1899, 12, 31)
      .addDays(day < kFictitiousLeapDay ? day : day - 1)
      .toString(Qt::ISODate)
      .toStdString();
}

// The animal of `row`; why it gives none.
std::variant<Animal, std::string> animalOf(const TableRow& row, const Layout& layout,
                                           double weightGrams) {
  const auto cell = [&](Field field) {
    const std::optional<size_t> column = layout.columns[static_cast<size_t>(field)];
    if (!column || *column >= row.cells.size()) return TableCell{};
    const TableCell& found = row.cells[*column];
    return TableCell{trimmed(found.text), found.number};
  };
  Animal animal{cell(Field::Number).text,
                cell(Field::Cage).text,
                cell(Field::Group).text,
                cell(Field::Sex).text,
                {},
                {}};
  if (animal.number.empty()) return std::string("нет номера животного");
  if (auto refused = animalRefusal(animal)) return *refused;
  const TableCell weight = cell(Field::Weight);
  if (!weight.text.empty()) {
    try {
      animal.referenceGrams = weighing::parseNumber(weight.text) * weightGrams;
    } catch (const weighing::ConversionError&) {
      return "вес " + inQuotes(weight.text) + " — не число";
    }
    if (*animal.referenceGrams <= 0) return "вес " + inQuotes(weight.text) + " не больше нуля";
    // "1e306" kilograms is more grams than a number holds.
    if (!std::isfinite(*animal.referenceGrams))
      return "вес " + inQuotes(weight.text) + " слишком велик";
  }
  const TableCell born = cell(Field::Born);
  if (!born.text.empty()) {
    const std::optional<std::string> date =
        born.number ? dateOfNumber(*born.number) : dateOfText(born.text);
    if (!date) return "дата рождения " + inQuotes(born.text) + " — не дата";
    animal.born = *date;
  }
  return animal;
}

// The animals of the rows below the heading row, the first that names the number column:
// a title above it is passed over.
ImportedList listOf(const std::vector<TableRow>& rows) {
  Layout layout;
  const auto headings = std::find_if(rows.begin(), rows.end(), [&layout](const TableRow& row) {
    layout = layoutOf(row);
    return layout.columns[static_cast<size_t>(Field::Number)].has_value();
  });
  if (headings == rows.end()) return failed("в файле нет столбца с номером животного");
  const auto* unit =
      std::find_if(std::begin(kWeightUnits), std::end(kWeightUnits),
                   [&layout](const WeightUnit& known) { return known.name == layout.weightUnit; });
  if (unit == std::end(kWeightUnits)) {
    return failed("единица веса " + inQuotes(layout.weightUnit) +
                  " не известна: вес читается в граммах (г, g) или килограммах (кг, kg)");
  }
  ImportedList list;
  const auto has = [&layout](Field field) { return layout.columns[static_cast<size_t>(field)].has_value(); };
  list.given = {has(Field::Cage), has(Field::Group), has(Field::Sex), has(Field::Born), has(Field::Weight)};
  std::map<std::string, int> lines;  // the line each number was first on
  for (auto row = headings + 1; row != rows.end(); ++row) {
    std::variant<Animal, std::string> read = animalOf(*row, layout, unit->grams);
    if (auto* animal = std::get_if<Animal>(&read)) {
      const auto [first, fresh] = lines.emplace(animal->number, row->line);
      if (fresh) {
        list.animals.push_back(std::move(*animal));
        continue;
      }
      read = "номер " + inQuotes(animal->number) + " уже был в строке " +
             std::to_string(first->second);
    }
    list.refused.push_back({row->line, std::get<std::string>(read)});
  }
  return list;
}

std::string sheetFailureText(const SheetFailure& failure) {
  switch (failure.what) {
    case ZipFailure::NotAnArchive:
      return "файл не читается как книга .xlsx: он повреждён или обрезан";
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

}  // namespace

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
  if (!bytes.startsWith(QByteArrayView(kZipStart.data(), kZipStart.size())))
    return listOf(csvRows(bytes));
  std::variant<std::vector<TableRow>, SheetFailure> rows = firstSheetRows(bytes);
  if (const auto* failure = std::get_if<SheetFailure>(&rows))
    return failed(sheetFailureText(*failure));
  return listOf(std::get<std::vector<TableRow>>(rows));
}

std::vector<Animal> withHeldFields(const ImportedList& imported, const std::vector<Animal>& held) {
  std::map<std::string, const Animal*> byNumber;
  for (const Animal& animal : held) byNumber.emplace(animal.number, &animal);
  const AnimalFields& given = imported.given;
  std::vector<Animal> animals = imported.animals;
  for (Animal& animal : animals) {
    const auto found = byNumber.find(animal.number);
    if (found == byNumber.end()) continue;
    const Animal& old = *found->second;
    if (!given.cage) animal.cage = old.cage;
    if (!given.group) animal.group = old.group;
    if (!given.sex) animal.sex = old.sex;
    if (!given.born) animal.born = old.born;
    if (!given.reference) animal.referenceGrams = old.referenceGrams;
  }
  return animals;
}

}  // namespace tarvelo::journal
