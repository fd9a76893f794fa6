#include "reports/spreadsheet_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "reports/xlsx_protocol_writer.h"
#include "tests/support/command_output.h"
#include "tests/support/scoped_locale.h"
#include "weighing/measurement_store.h"

namespace tarvelo::reports {

void PrintTo(const ProtocolCell& cell, std::ostream* out) {
  *out << "(" << cell.row << "," << cell.column << ") \"" << cell.text << "\""
       << (cell.bold ? " bold" : "") << (cell.framed ? " framed" : "") << " alignment "
       << static_cast<int>(cell.alignment);
}

namespace {

constexpr auto G = Alignment::General;
constexpr auto L = Alignment::Left;
constexpr auto C = Alignment::Centre;
constexpr auto Rt = Alignment::Right;
// A text cell, and a cell holding the number its text shows.
constexpr std::nullopt_t Tx = std::nullopt;
constexpr ProtocolNumber N(double value, int decimals) { return {value, decimals}; }

// A batch as the main window shows it: sgRes titles and `results` rows, and the totals.
struct Batch {
  weighing::MeasurementStore store;

  explicit Batch(const std::vector<std::array<const char*, 7>>& results) {
    const std::array<const char*, 7> titles{"№",
                                            "Время",
                                            "Наименование",
                                            "Масса",
                                            "Единица измерения",
                                            "Кол-во взвеш-й",
                                            "Отклонение от средней массы"};
    store.sgRes.setRowCount(std::max<int>(2, static_cast<int>(results.size()) + 1));
    for (int column = 0; column < 7; ++column) {
      store.sgRes.setCell(column, 0, titles[column]);
      for (int row = 0; row < static_cast<int>(results.size()); ++row) {
        store.sgRes.setCell(column, row + 1, results[row][column]);
      }
    }
    store.sgTotal.setCell(weighing::TotalMass, 0, results.empty() ? "0,00" : "66,00");
    store.sgTotal.setCell(weighing::BatchMean, 0, results.empty() ? "0" : "22,00");
    store.sgTotal.setCell(weighing::BatchCount, 0, std::to_string(results.size()));
  }

  SpreadsheetProtocol protocol(const std::string& model, int32_t serial) const {
    return BuildSpreadsheetProtocol({store.sgRes, store.sgTotal, "ХХХХХХХХ", "Гиря М1",
                                     "Иванов И. И.", "10", "07.12.2026", model, serial});
  }
};

const std::vector<std::array<const char*, 7>> kThreeResults{
    {"1", "09:05:07", "Гиря М1 1", "20,00", "г", "3", "-2,00"},
    {"2", "09:06:10", "Гиря М1 2", "22,00", "г", "3", "0,00"},
    {"3", "09:07:12", "Гиря М1 3", "24,00", "г", "3", "2,00"},
};

std::vector<ProtocolCell> sorted(std::vector<ProtocolCell> cells) {
  std::sort(cells.begin(), cells.end(), [](const ProtocolCell& a, const ProtocolCell& b) {
    return std::tie(a.row, a.column) < std::tie(b.row, b.column);
  });
  return cells;
}

TEST(SpreadsheetProtocol, NoResultsGiveOneEmptyFramedRowAndTheLinesBelowIt) {
  const std::vector<ProtocolCell> expected{
      {2, 3, "Протокол № ", true, false, Rt, Tx},
      {2, 4, "ХХХХХХХХ", true, false, L, Tx},
      {4, 1, "Дата: 07.12.2026", false, false, G, Tx},
      {6, 1, "Объект: Гиря М1", false, false, G, Tx},
      {8, 1, "№", true, true, C, Tx},
      {8, 2, "Время", true, true, C, Tx},
      {8, 3, "Масса", true, true, C, Tx},
      {8, 4, "Единица измерения", true, true, C, Tx},
      {8, 5, "Отклонение от средней массы", true, true, C, Tx},
      {9, 1, "", false, true, C, Tx},
      {9, 2, "", false, true, C, Tx},
      {9, 3, "", false, true, C, Tx},
      {9, 4, "", false, true, C, Tx},
      {9, 5, "", false, true, C, Tx},
      {14, 1, "Общая масса партии, г:", false, false, G, Tx},
      {14, 3, "0,00", true, false, G, N(0, 2)},
      {15, 1, "Количество в партии:", false, false, G, Tx},
      {15, 3, "0", false, false, G, N(0, 0)},
      {16, 1, "Средняя масса, г:", false, false, G, Tx},
      {16, 3, "0", false, false, G, N(0, 0)},
      {18, 1, "Время усреднения, с:", false, false, G, Tx},
      {18, 3, "10", false, false, G, N(10, 0)},
      {20, 1, "Исполнитель: ", false, false, G, Tx},
      {20, 3, "Иванов И. И.", false, false, Rt, Tx},
      // Before any reading: no model and serial number 0, two blanks after the colon.
      {22, 1, "Весы:  заводской № 0", false, false, G, Tx},
      {23, 1, "www.korvane.example", true, false, G, Tx},
  };
  const SpreadsheetProtocol protocol = Batch({}).protocol("", 0);
  EXPECT_EQ(sorted(protocol.cells), expected);

  ASSERT_EQ(protocol.rows.size(), 4u);  // rows 8 to R + 9 = 11 are centred
  for (const ProtocolRow& row : protocol.rows) EXPECT_EQ(row.alignment, C) << row.row;
  EXPECT_EQ(protocol.rows.back().row, 11);
}

TEST(SpreadsheetProtocol, ThreeResultsFillTheTableAndMoveTheLinesDown) {
  const SpreadsheetProtocol protocol = Batch(kThreeResults).protocol("BM-600", 1234567);
  const std::vector<ProtocolCell> cells = sorted(protocol.cells);

  // Table rows 9 to 11 take sgRes columns 0, 1, 3, 4, 6 of result rows 1 to 3.
  for (int result = 0; result < 3; ++result) {
    const auto& source = kThreeResults[result];
    const std::array<const char*, 5> shown{source[0], source[1], source[3], source[4], source[6]};
    // The number, the mass and the deviation are numbers; the time and the unit are texts.
    const std::array<std::optional<ProtocolNumber>, 5> numbers{
        N(result + 1, 0), Tx, N(20 + 2 * result, 2), Tx, N(2 * result - 2, 2)};
    for (int column = 1; column <= 5; ++column) {
      const ProtocolCell expected{
          9 + result, column, shown[column - 1], false, true, C, numbers[column - 1]};
      EXPECT_NE(std::find(cells.begin(), cells.end(), expected), cells.end())
          << testing::PrintToString(expected);
    }
  }

  // The lines below the table for R = 4: row, column, text, bold, framed, alignment.
  const std::vector<ProtocolCell> lines{
      {16, 1, "Общая масса партии, г:", false, false, G, Tx},
      {16, 3, "66,00", true, false, G, N(66, 2)},
      {17, 1, "Количество в партии:", false, false, G, Tx},
      {17, 3, "3", false, false, G, N(3, 0)},
      {18, 1, "Средняя масса, г:", false, false, G, Tx},
      {18, 3, "22,00", false, false, G, N(22, 2)},
      {20, 1, "Время усреднения, с:", false, false, G, Tx},
      {20, 3, "10", false, false, G, N(10, 0)},
      {22, 1, "Исполнитель: ", false, false, G, Tx},
      {22, 3, "Иванов И. И.", false, false, Rt, Tx},
      {24, 1, "Весы: BM-600 заводской № 1234567", false, false, G, Tx},
      {25, 1, "www.korvane.example", true, false, G, Tx},
  };
  const std::vector<ProtocolCell> below(cells.end() - static_cast<long>(lines.size()), cells.end());
  EXPECT_EQ(below, lines);
  EXPECT_EQ(cells.size(), 4 + 4 * 5 + lines.size());

  std::vector<int> centredRows;
  for (const ProtocolRow& row : protocol.rows) {
    if (row.alignment == C) centredRows.push_back(row.row);
    const bool titles = row.row == 8;
    EXPECT_EQ(row.heightPoints, titles ? std::optional<double>(36) : std::nullopt) << row.row;
    EXPECT_EQ(row.verticalCentre, titles) << row.row;
    EXPECT_EQ(row.wrap, titles) << row.row;
  }
  EXPECT_EQ(centredRows, (std::vector<int>{8, 9, 10, 11, 12, 13}));
  EXPECT_EQ(protocol.columns.first, 1);
  EXPECT_EQ(protocol.columns.last, 5);
  EXPECT_EQ(protocol.columns.widthCharacters, 17);
  EXPECT_EQ(protocol.pageSetup.fitToPagesWide, 1);
  EXPECT_EQ(protocol.pageSetup.leftMarginPoints, 90);
  // The protocol number and the column titles head every printed page.
  EXPECT_EQ(protocol.pageSetup.firstTitleRow, 2);
  EXPECT_EQ(protocol.pageSetup.lastTitleRow, 8);
  EXPECT_EQ(protocol.sheetName, "ХХХХХХХХ");
}

// An animal's number takes a column of its own, as a text however many digits it has;
// without numbers the table stays as it was (above).
TEST(SpreadsheetProtocol, AnimalsNumbersTakeColumnFAsText) {
  Batch batch(kThreeResults);
  batch.store.sgRes.setCell(weighing::ResultAnimal, 2, "985000001234567");
  const SpreadsheetProtocol protocol = batch.protocol("BM-600", 1234567);
  EXPECT_EQ(protocol.columns.last, 6);
  const std::vector<ProtocolCell>& cells = protocol.cells;
  for (const ProtocolCell& expected : {ProtocolCell{8, 6, "№ животного", true, true, C, Tx},
                                       ProtocolCell{9, 6, "", false, true, C, Tx},
                                       ProtocolCell{10, 6, "985000001234567", false, true, C, Tx}}) {
    EXPECT_NE(std::find(cells.begin(), cells.end(), expected), cells.end()) << testing::PrintToString(expected);
  }
}

TEST(SpreadsheetProtocol, OnlyPlainDecimalTextsAreNumbers) {
  EXPECT_EQ(shownNumber("-2,00"), N(-2, 2));
  EXPECT_EQ(shownNumber("25.125"), N(25.125, 3));
  EXPECT_EQ(shownNumber("17"), N(17, 0));
  for (const char* text : {"", "-", "1E20", "1,5E-6", "09:05:07", "2,", ",5", " 2", "2 г", "--2"}) {
    EXPECT_EQ(shownNumber(text), std::nullopt) << text;
  }
}

TEST(SpreadsheetProtocol, SheetNameIsTheProtocolNumberMadeValid) {
  EXPECT_EQ(protocolSheetName("17/3"), "17_3");
  EXPECT_EQ(protocolSheetName("'[a]:*?\\b'"), "_a_____b");
  EXPECT_EQ(protocolSheetName("''"), "Протокол");
  EXPECT_EQ(protocolSheetName("History"), "History_");
  // 31 characters, not bytes: a Cyrillic name is cut after its 31st letter.
  std::string cyrillic;
  for (int i = 0; i < 40; ++i) cyrillic += "Ж";
  EXPECT_EQ(protocolSheetName(cyrillic), cyrillic.substr(0, 31 * 2));
}

// Reads the written workbook back with openpyxl: one line per styled or filled cell, then
// the row heights, the column widths and the page set-up.
constexpr char kReaderScript[] = R"(import re, sys, zipfile, openpyxl
# A number inside the file's XML (a value, a width, a margin) written with a comma.
with zipfile.ZipFile(sys.argv[1]) as archive:
    for name in archive.namelist():
        xml = archive.read(name).decode('utf-8')
        for found in re.findall(r'<v>-?[0-9]+,[0-9]*</v>|="-?[0-9]+,[0-9]+"', xml):
            print('comma', name, found, sep='\t')
sheet = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
for row in sheet.iter_rows():
    for c in row:
        if c.value is None and not c.has_style:
            continue
        b = c.border
        edges = ''.join('1' if e.style == 'thin' else '0' for e in (b.left, b.right, b.top, b.bottom))
        a = c.alignment
        number = isinstance(c.value, (int, float))
        # A number as the sheet shows it, with the separator of a Russian reader.
        shown = f"{c.value:.{len(c.number_format.partition('.')[2])}f}".replace('.', ',') if number \
            else c.value or ''
        print('cell', c.row, c.column, int(bool(c.font.b)), edges, a.horizontal or 'general',
              a.vertical or '-', int(bool(a.wrap_text)), 'n' if number else 's', c.number_format,
              shown, sep='\t')
for number, d in sorted(sheet.row_dimensions.items()):
    print('row', number, int(d.ht) if d.customHeight else '-', d.alignment.horizontal or 'general',
          d.alignment.vertical or '-', int(bool(d.alignment.wrap_text)), sep='\t')
for d in sheet.column_dimensions.values():
    print('columns', d.min, d.max, int(d.width), sep='\t')
setup = sheet.page_setup
# A missing fitToWidth means the file format's default of 1.
print('page', int(bool(sheet.sheet_properties.pageSetUpPr.fitToPage)),
      1 if setup.fitToWidth is None else setup.fitToWidth, setup.fitToHeight, sheet.page_margins.left,
      setup.paperSize, setup.orientation, sheet.print_title_rows, sheet.title, sep='\t')
)";

std::string alignmentName(Alignment alignment) {
  switch (alignment) {
    case Alignment::Left:
      return "left";
    case Alignment::Centre:
      return "center";
    case Alignment::Right:
      return "right";
    case Alignment::General:
      break;
  }
  return "general";
}

// What the reader must print for `protocol`, line by line.
std::set<std::string> expectedReading(const SpreadsheetProtocol& protocol) {
  std::set<std::string> lines;
  for (const ProtocolCell& cell : protocol.cells) {
    const bool titles = cell.row == 8;
    std::ostringstream line;
    line << "cell\t" << cell.row << '\t' << cell.column << '\t' << cell.bold << '\t'
         << (cell.framed ? "1111" : "0000") << '\t' << alignmentName(cell.alignment) << '\t'
         << (titles ? "center" : "-") << '\t' << titles << '\t'
         << (cell.number ? "n" : "s") << '\t'
         << (cell.number ? (cell.number->decimals == 0 ? "0" : "0." + std::string(cell.number->decimals, '0'))
                         : "General")
         << '\t' << cell.text;
    lines.insert(line.str());
  }
  for (const ProtocolRow& row : protocol.rows) {
    std::ostringstream line;
    line << "row\t" << row.row << '\t';
    if (row.heightPoints) {
      line << static_cast<int>(*row.heightPoints);
    } else {
      line << '-';
    }
    line << '\t' << alignmentName(row.alignment) << '\t' << (row.verticalCentre ? "center" : "-")
         << '\t' << row.wrap;
    lines.insert(line.str());
  }
  lines.insert("columns\t1\t5\t17");
  lines.insert("page\t1\t1\t0\t1.25\t9\tportrait\t$2:$8\t" + protocol.sheetName);
  return lines;
}

std::set<std::string> readBack(const std::filesystem::path& workbook) {
  const std::filesystem::path script = workbook.parent_path() / "read_protocol.py";
  std::ofstream(script) << kReaderScript;
  const std::string command = "PYTHONIOENCODING=utf-8 /usr/bin/python3 '" + script.string() +
                              "' '" + workbook.string() + "'";
  const testing_support::CommandOutput output = testing_support::commandOutput(command);
  EXPECT_EQ(output.status, 0) << output.text;
  std::set<std::string> lines;
  std::istringstream stream(output.text);
  for (std::string line; std::getline(stream, line);) lines.insert(line);
  return lines;
}

// Under the users' locale as under the default one: the C library's decimal comma must
// not reach the numbers inside the file.
TEST(XlsxProtocolWriter, WorkbookHoldsEveryCellWithItsTextBoldFrameAndLayout) {
#ifdef _WIN32
  GTEST_SKIP() << "reads the workbook back with Python; the Windows leg does that on the Linux side";
#endif
  const std::filesystem::path folder =
      std::filesystem::path(testing::TempDir()) / "tarvelo-xlsx-protocol" / "протоколы";
  std::filesystem::remove_all(folder.parent_path());
  for (const char* locale : {testing_support::kRussianLocale, testing_support::kPlainLocale}) {
    SCOPED_TRACE(locale);
    const testing_support::ScopedLocale system(locale);
    ASSERT_TRUE(system.ok()) << "scripts/install-deps.sh generates " << locale;
    for (const auto& results : {std::vector<std::array<const char*, 7>>{}, kThreeResults}) {
      const SpreadsheetProtocol protocol = Batch(results).protocol("BM-600", 1234567);
      const std::filesystem::path file = folder / "ХХХХХХХХ.xlsx";
      const std::optional<link::Failure> result = writeXlsxProtocol(protocol, file);
      ASSERT_FALSE(result) << result->message;
      const std::set<std::string> read = readBack(file);
      const std::set<std::string> expected = expectedReading(protocol);
      std::vector<std::string> missing;
      std::vector<std::string> unexpected;
      std::set_difference(expected.begin(), expected.end(), read.begin(), read.end(),
                          std::back_inserter(missing));
      std::set_difference(read.begin(), read.end(), expected.begin(), expected.end(),
                          std::back_inserter(unexpected));
      EXPECT_TRUE(missing.empty() && unexpected.empty())
          << "missing: " << testing::PrintToString(missing)
          << "\nunexpected: " << testing::PrintToString(unexpected);
    }
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2)
      << "only the workbook and the reader script";
  std::filesystem::remove_all(folder.parent_path());
}

}  // namespace
}  // namespace tarvelo::reports
