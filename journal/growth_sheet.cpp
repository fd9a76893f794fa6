#include "journal/growth_sheet.h"

#include <algorithm>
#include <array>

#include "journal/csv_text.h"

namespace tarvelo::journal {

namespace {

constexpr int kHeadingRow = 1;
constexpr int kReferenceColumn = 8;  // H: after number, cage, group and the colony's four
constexpr int kFirstDayColumn = kReferenceColumn + 1;
constexpr int kGramsDecimals = 2;
constexpr int kShareDecimals = 1;
constexpr double kColumnWidthCharacters = 12;
constexpr double kLeftMarginPoints = 50.4;  // 0.7 inch, the spreadsheet's usual margin
constexpr int kDaysAPage = 8;               // the columns of days printed across a page
constexpr double kPerCent = 100;

struct Texts {
  std::array<std::string, kReferenceColumn> headings;
  std::string shareLabel;
  char decimal;
};

const Texts& textsOf(ExportStyle style) {
  static const Texts russian{{"№ животного", "Клетка", "Группа", "Линия", "Генотип", "Исследование", "Метка уха",
                              "Исходный вес, г"},
                             "% исходного",
                             ','};
  static const Texts plain{{"animal", "cage", "group", "strain", "genotype", "study", "ear mark", "reference, g"},
                           "% of reference",
                           '.'};
  return style == ExportStyle::Russian ? russian : plain;
}

// "07.12.2026" of "2026-12-07" in a Russian sheet; the ISO date otherwise.
std::string dayHeading(const std::string& day, ExportStyle style) {
  if (style != ExportStyle::Russian) return day;
  return day.substr(8, 2) + "." + day.substr(5, 2) + "." + day.substr(0, 4);
}

reports::ProtocolCell textCell(int row, int column, const std::string& text, bool bold = false) {
  return {row, column, text, bold, false, reports::Alignment::General, std::nullopt};
}

reports::ProtocolCell numberCell(int row, int column, double value, int decimals, char decimal,
                                 std::optional<std::uint32_t> fill = {}) {
  return {row,   column, numberText(fixedText(value, decimals), decimal), false, false, reports::Alignment::General,
          reports::ProtocolNumber{value, decimals}, fill};
}

std::optional<std::uint32_t> fillOf(std::optional<double> share, const AlertShares& shares) {
  const std::optional<AlertLevel> level = share ? alertLevelOf(*share, shares) : std::nullopt;
  if (!level) return std::nullopt;
  return *level == AlertLevel::Limit ? kLimitFill : kWarningFill;
}

// The animal's two lines from `row`: its masses, and the per cent of its reference below.
void addAnimal(std::vector<reports::ProtocolCell>& cells, int row, const AnimalGrowth& growth,
               const std::vector<std::string>& days, const Texts& texts, const AlertShares& shares) {
  int textColumn = 1;
  for (const std::string* text : {&growth.animal, &growth.cage, &growth.group, &growth.strain, &growth.genotype,
                                  &growth.study, &growth.earMark})
    cells.push_back(textCell(row, textColumn++, *text));
  const bool referenced = growth.referenceGrams && *growth.referenceGrams > 0;
  if (referenced) cells.push_back(numberCell(row, kReferenceColumn, *growth.referenceGrams, kGramsDecimals, texts.decimal));
  cells.push_back(textCell(row + 1, kReferenceColumn, texts.shareLabel));
  for (std::size_t day = 0; day < days.size(); ++day) {
    const auto grams = growth.gramsByDay.find(days[day]);
    if (grams == growth.gramsByDay.end()) continue;
    const int column = kFirstDayColumn + static_cast<int>(day);
    const std::optional<double> share =
        referenced ? std::optional(grams->second / *growth.referenceGrams * kPerCent) : std::nullopt;
    const std::optional<std::uint32_t> fill = fillOf(share, shares);
    cells.push_back(numberCell(row, column, grams->second, kGramsDecimals, texts.decimal, fill));
    if (share) cells.push_back(numberCell(row + 1, column, *share, kShareDecimals, texts.decimal, fill));
  }
}

}  // namespace

reports::SpreadsheetProtocol growthSheet(const GrowthTable& table, ExportStyle style, const AlertShares& shares,
                                         const std::string& note) {
  const Texts& texts = textsOf(style);
  const int lastColumn = kFirstDayColumn - 1 + static_cast<int>(table.days.size());
  const int pagesWide = std::max(1, (static_cast<int>(table.days.size()) + kDaysAPage - 1) / kDaysAPage);
  reports::SpreadsheetProtocol sheet{style == ExportStyle::Russian ? "Рост" : "growth", {}, {},
                                     {1, lastColumn, kColumnWidthCharacters},
                                     {pagesWide, kLeftMarginPoints, kHeadingRow, kHeadingRow}, note};
  for (int column = 0; column < static_cast<int>(texts.headings.size()); ++column)
    sheet.cells.push_back(textCell(kHeadingRow, column + 1, texts.headings[column], true));
  for (std::size_t day = 0; day < table.days.size(); ++day)
    sheet.cells.push_back(
        textCell(kHeadingRow, kFirstDayColumn + static_cast<int>(day), dayHeading(table.days[day], style), true));
  int row = kHeadingRow + 1;
  for (const AnimalGrowth& growth : table.animals) {
    addAnimal(sheet.cells, row, growth, table.days, texts, shares);
    row += 2;
  }
  return sheet;
}

}  // namespace tarvelo::journal
