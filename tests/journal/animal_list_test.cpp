// The list of animals to weigh: read from the files colony systems export, made here with
// Python's csv and openpyxl and with libxlsxwriter; kept in the journal.
#include "journal/animal_list.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <xlsxwriter.h>

#include <QDateTime>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "journal/animal_list_import.h"
#include "journal/export_file.h"
#include "journal/journal.h"
#include "journal/journal_head.h"
#include "journal/list_import_plan.h"
#include "journal/verification_text.h"
#include "link/utf8_path.h"
#include "reports/c_numeric_locale.h"
#include "session/journal_entry.h"
#include "session/list_import.h"
#include "tests/support/simulator_process.h"

namespace tarvelo::journal {

// Failures show the animals, found by GoogleTest in the namespace of Animal.
void PrintTo(const Animal& animal, std::ostream* out) {
  *out << animal.number << "|" << animal.cage << "|" << animal.group << "|" << animal.sex << "|"
       << animal.born << "|" << animal.referenceGrams.value_or(0);
}

namespace {

namespace fs = std::filesystem;

// Ten animals in a Windows-1251 CSV with Russian headings (a running "№" before the
// animal's), dates in each form and refused lines after a blank one; the same in an
// openpyxl workbook (numbers, a date cell, inline strings) under a title row; files that
// give no list; every character 0x80 to 0xFF of Windows-1251 in a CSV, printed as Python
// decodes them.
constexpr char kMakeFiles[] = R"(
import csv, datetime, openpyxl, pathlib, sys, zipfile
folder = pathlib.Path(sys.argv[1])
quote = chr(34)  # not written as itself: the script reaches Python on Windows' command line
animals = [(str(985000001234560 + n), f'К-{n // 3 + 1}', f'Опыт {quote}А{quote}; доза 1' if n % 2 else 'Контроль',
            'самка' if n % 3 else 'самец', datetime.date(2026, n + 1, 10 + n), 20.5 + n * 1.25) for n in range(10)]
rows = [[number, cage, group, sex, born.strftime(['%d.%m.%Y', '%Y-%m-%d', '%d/%m/%Y'][n % 3]),
         str(grams).replace('.', ',')] for n, (number, cage, group, sex, born, grams) in enumerate(animals)]
rows += [[], ['', 'К-9', '', '', '', ''], [animals[0][0], '', '', '', '', ''], ['985000001239999', '', '', '', '', 'двадцать'],
         ['985000001239998', '', '', '', '31.02.2026', ''], ['985000001239997']]
with open(folder / 'список.csv', 'w', encoding='cp1251', newline='') as out:
    lines = csv.writer(out, delimiter=';')
    lines.writerow(['№', '№ животного', 'Клетка', 'Группа', 'Пол', 'Дата рождения', 'Вес, г'])
    lines.writerows([n + 1, *row] if row else [] for n, row in enumerate(rows))
book = openpyxl.Workbook()
book.active.append(['Colony export'])
book.active.append(['Animal ID', 'Cage', 'Group', 'Sex', 'Date of birth', 'Weight (g)'])
for number, *rest in animals:
    book.active.append([int(number), *rest])
book.save(folder / 'list.xlsx')
(folder / 'обрезан.xlsx').write_bytes((folder / 'list.xlsx').read_bytes()[:3000])
with zipfile.ZipFile(folder / 'бомба.xlsx', 'w', zipfile.ZIP_DEFLATED) as bomb:
    bomb.writestr('xl/workbook.xml', b' ' * (65 << 20))
(folder / 'без номера.csv').write_text('Клетка;Группа\nК-1;Опыт\n', encoding='utf-8-sig')
(folder / 'фунты.csv').write_text('ID,Weight (lb)\n1,0.05\n')
(folder / 'килограммы.csv').write_text('№;Масса (кг)\n1;0,0215\n')
upper = bytes(b for b in range(0x80, 0x100) if b != 0x98)
(folder / 'кодировка.csv').write_bytes('№;Группа\r\n1;'.encode('cp1251') + upper + b'\r\n')
sys.stdout.buffer.write(upper.decode('cp1251').encode())
)";

// The list again as libxlsxwriter writes it: shared strings, dates as numbers in a date format.
void writeSharedStringsBook(const fs::path& file, const std::vector<Animal>& animals) {
  const reports::CNumericLocale pointNumbers;  // the library prints numbers with the C library
  lxw_workbook* book = workbook_new(link::utf8Text(file).c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
  lxw_format* date = workbook_add_format(book);
  format_set_num_format(date, "dd.mm.yyyy");
  lxw_col_t column = 0;
  for (const char* heading : {"Number", "Cage", "Group", "Sex", "Born", "Body weight, g"})
    worksheet_write_string(sheet, 0, column++, heading, nullptr);
  for (lxw_row_t row = 1; const Animal& animal : animals) {
    column = 0;
    for (const std::string* text : {&animal.number, &animal.cage, &animal.group, &animal.sex})
      worksheet_write_string(sheet, row, column++, text->c_str(), nullptr);
    lxw_datetime born{std::stoi(animal.born.substr(0, 4)),
                      std::stoi(animal.born.substr(5, 2)),
                      std::stoi(animal.born.substr(8, 2)),
                      0,
                      0,
                      0};
    worksheet_write_datetime(sheet, row, column++, &born, date);
    worksheet_write_number(sheet, row++, column, *animal.referenceGrams, nullptr);
  }
  ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
}

class AnimalListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
#ifndef _WIN32
    testing::privateConfigHome();  // the journal's head is kept there, not in the user's settings
#endif
    const testing::ProgramResult made =
        testing::runProgram({"/usr/bin/python3", "-c", kMakeFiles, dir_.path().toStdString()});
    ASSERT_EQ(made.status, 0) << made.err;
    upperHalf_ = made.out;
    reopen();
  }
  fs::path file(const std::string& name) const {
    return fs::u8path(dir_.filePath(QString::fromStdString(name)).toStdString());
  }
  void reopen() {
    journal_.reset();
    link::Failure error;
    journal_ = Journal::open(file("журнал.sqlite"), error);
    ASSERT_TRUE(journal_) << error.message;
  }
#ifndef _WIN32  // LibreOffice, a Linux program
  // list.xlsx saved by LibreOffice as `format`.
  fs::path savedByOffice(const std::string& format) const {
    const std::string folder = dir_.filePath("office").toStdString();
    const testing::ProgramResult saved = testing::runProgram(
        {"/usr/bin/soffice", "-env:UserInstallation=file://" + folder, "--headless", "--convert-to",
         format, "--outdir", folder, dir_.filePath("list.xlsx").toStdString()});
    EXPECT_EQ(saved.status, 0) << saved.err;
    return file("office/list." + format);
  }
#endif
  // Appends what makes the journal's list `wanted`, as the window does; how many records.
  size_t write(const std::vector<Animal>& wanted, bool removeMissing) {
    std::vector<JournalRecord> records =
        session::listChanges(animalList(*journal_), wanted, removeMissing, {"Иванов И.И.", "П-7"},
                             QDateTime(QDate(2026, 12, 7), QTime(12, 5, 7)));
    for (JournalRecord& record : records) EXPECT_FALSE(journal_->append(record));
    return records.size();
  }

  QTemporaryDir dir_;
  std::unique_ptr<Journal> journal_;
  std::string upperHalf_;
};

TEST_F(AnimalListTest, CsvAndBothWorkbooksGiveTheSameList) {
  const ImportedList csv = importAnimalList(file("список.csv"));
  ASSERT_FALSE(csv.error) << *csv.error;
  ASSERT_EQ(csv.animals.size(), 10u);
  EXPECT_EQ(csv.animals[1],
            (Animal{"985000001234561", "К-1", "Опыт \"А\"; доза 1", "самка", "2026-02-11", 21.75}));
  EXPECT_EQ(csv.refused,
            (std::vector<RefusedLine>{{13, "нет номера животного"},
                                      {14, "номер «985000001234560» уже был в строке 2"},
                                      {15, "вес «двадцать» — не число"},
                                      {16, "дата рождения «31.02.2026» — не дата"},
                                      {17, "полей 2, а в заголовке 7"}}));
  EXPECT_EQ(importAnimalList(file("list.xlsx")).animals, csv.animals);
  writeSharedStringsBook(file("shared.xlsx"), csv.animals);
  EXPECT_EQ(importAnimalList(file("shared.xlsx")).animals, csv.animals);
#ifndef _WIN32
  // LibreOffice's workbook, whose first relationship is not the sheet.
  EXPECT_EQ(importAnimalList(savedByOffice("xlsx")).animals, csv.animals);
#endif

  EXPECT_EQ(importAnimalList(file("кодировка.csv")).animals.at(0).group, upperHalf_);
  EXPECT_EQ(importAnimalList(file("килограммы.csv")).animals.at(0).referenceGrams, 21.5);
}

TEST_F(AnimalListTest, FilesThatHoldNoListAreSaidWhy) {
  for (const auto& [name, error] :
       {std::pair{"без номера.csv", "в файле нет столбца с номером животного"},
        {"фунты.csv",
         "единица веса «lb» не известна: вес читается в граммах (г, g) или килограммах (кг, kg)"},
        {"обрезан.xlsx", "файл не читается как книга .xlsx: он поврежден или обрезан"},
        {"бомба.xlsx", "часть «xl/workbook.xml» книги .xlsx больше 64 МБ"}}) {
    const ImportedList list = importAnimalList(file(name));
    EXPECT_EQ(list.error, error) << name;
    EXPECT_TRUE(list.animals.empty());
  }
  EXPECT_TRUE(importAnimalList(file("нет такого.csv")).error->starts_with("файл не открывается"));
#ifndef _WIN32
  EXPECT_EQ(importAnimalList(savedByOffice("xls")).error,
            "файл — книга старого формата .xls: сохраните её как .xlsx или CSV");
#endif
}

// A file read again adds nothing, a moved cage one record, a removal one; the list keeps
// the order it was first entered in, also across a reopening, and the chain holds.
// What the lab's server could never take is refused where it enters, with the line said.
TEST_F(AnimalListTest, NumbersAndFieldsTheServerCouldNotTakeAreRefused) {
  const std::string longest(kAnimalNumberLimit, '7');
  std::ofstream(file("hostile.csv"), std::ios::binary)
      << "№ животного;Клетка\n" << longest << ";C1\n" << longest + "8" << ";C1\n" << std::string(3000, '9')
      << ";C1\nК\x01-1;C1\nК-2;C\x07\n";
  const ImportedList list = importAnimalList(file("hostile.csv"));
  ASSERT_EQ(list.animals.size(), 1u);
  EXPECT_EQ(list.animals[0].number, longest);
  EXPECT_EQ(list.refused, (std::vector<RefusedLine>{{3, "номер длиннее 32 знаков (33)"}, {4, "номер длиннее 32 знаков (3000)"},
                                                    {5, "в номере непечатаемый знак"}, {6, "непечатаемый знак в поле «клетка»"}}));
  // Characters, not bytes; and neither a NUL, nor bytes that are not UTF-8.
  EXPECT_EQ(animalNumberRefusal("Мышь-" + std::string(27, '1')), std::nullopt);
  for (const std::string& bad : {std::string("К-1\0", 5), std::string("\xC3\x28"), std::string("\xC0\xAF"),
                                std::string("\xED\xA0\x80"), std::string("\xC2\x85")}) {
    EXPECT_TRUE(animalNumberRefusal(bad)) << bad;
  }
}

TEST_F(AnimalListTest, JournalKeepsTheListWithOnlyItsChanges) {
  const std::vector<Animal> imported = importAnimalList(file("список.csv")).animals;
  ASSERT_EQ(write(imported, true), 10u);
  EXPECT_EQ(write(importAnimalList(file("list.xlsx")).animals, true), 0u);
  std::vector<Animal> moved = imported;
  moved[3].cage = "К-12";
  EXPECT_EQ(write(moved, true), 1u);
  std::vector<Animal> fewer = moved;
  fewer.erase(fewer.begin() + 5);
  EXPECT_EQ(write(fewer, false), 0u);
  EXPECT_EQ(write(fewer, true), 1u);
  reopen();
  EXPECT_EQ(animalList(*journal_), fewer);
  const JournalRecord gone = journal_->records().back();
  EXPECT_EQ((std::vector{gone.kind, gone.animal, gone.person, gone.local}),
            (std::vector<std::string>{kAnimalGone, imported[5].number, "Иванов И.И.",
                                      "2026-12-07 12:05:07"}));
  EXPECT_EQ(write(moved, true), 1u);
  EXPECT_EQ(animalList(*journal_), moved);
  // A file of numbers and weights alone changes the weights, not the cages or the rest.
  std::ofstream(file("веса.csv")) << "№;Вес, г\n" << moved[3].number << ";23,5\n";
  const ImportPlan weights = planImport(importAnimalList(file("веса.csv")), animalList(*journal_), false);
  ASSERT_EQ(weights.animals.size(), 1u);
  EXPECT_EQ(write({weights.animals[0].animal}, false), 1u);
  moved[3].referenceGrams = 23.5;
  EXPECT_EQ(animalList(*journal_), moved);
  const Verification checked = journal_->verify({*storedHead(file("журнал.sqlite"))});
  EXPECT_EQ(checked.records, 14);
  EXPECT_TRUE(holds(checked));
}

// Hostile and awkward list files, each made by Python as another program or an attacker
// would write it.
constexpr char kMakeHostileFiles[] = R"(
import openpyxl, pathlib, sys, zipfile
from openpyxl.utils.datetime import CALENDAR_MAC_1904
import datetime
folder = pathlib.Path(sys.argv[1])
quote = chr(34)  # not written as itself: the script reaches Python on Windows' command line
def text(name, content, encoding='utf-8'): (folder / name).write_bytes(content.encode(encoding) if isinstance(content, str) else content)
text('quote.csv', '№;Клетка\n1;К-1\n' + quote + '2;К-2\n3;К-3\n')
text('width.csv', '№;Клетка;Группа\n1;К-1\n2;К-2;А;лишнее\n')
text('comma.csv', 'ID,Cage,Weight\n1,K1,22,50\n')
text('long.csv', 'ID;Cage\n' + '9' * 3000 + ';K\n')
text('nul-byte.csv', b'ID;Cage\n1\x002;K\n<script>;K\n')
text('huge.csv', 'ID;Weight\n1;1e308\n')
text('future.csv', 'ID;Born\n1;01.01.2099\n')
text('stray.csv', '№;Клетка\n1;К-1\n'.encode() + b'2;\xff\n')
text('empty.csv', b'')
with open(folder / 'seps.csv', 'wb') as out:
    for megabyte in range(60): out.write(b';' * (1 << 20))
text('utf16.csv', '№\tКлетка\tЛиния\tГенотип\tИсследование\tМетка уха\r\n7\tК-7\tC57BL/6\tApoE-/-\tИС-12\tЛ2П1\r\n', 'utf-16')
def book(name, rows, sheets=(), epoch=None):
    wb = openpyxl.Workbook()
    if epoch: wb.epoch = epoch
    for title, filler in sheets:
        wb.active.title = title; wb.active.append([filler]); wb.create_sheet('Животные'); wb.active = 1
    for row in rows: wb.active.append(row)
    wb.save(folder / name)
book('na.xlsx', [['ID', 'Cage'], [8, '#N/A']])
book('formula.xlsx', [['ID', 'Weight, g'], [9, '=20+1']])
book('1904.xlsx', [['ID', 'Born'], [10, datetime.date(2026, 1, 10)]], epoch=CALENDAR_MAC_1904)
book('second.xlsx', [['ID'], [11]], sheets=[('Инструкция', 'Заполните лист «Животные»')])
def workbook(name, sheet, strings='<sst/>'):
    with zipfile.ZipFile(folder / name, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('xl/workbook.xml', '''<workbook><sheets><sheet name='S' r:id='rId1' xmlns:r='r'/></sheets></workbook>''')
        z.writestr('xl/_rels/workbook.xml.rels', '''<Relationships><Relationship Id='rId1' Target='sheet.xml'/></Relationships>''')
        z.writestr('xl/sharedStrings.xml', strings)
        with z.open('xl/sheet.xml', 'w') as out:
            for part in ['<worksheet><sheetData>', *sheet, '</sheetData></worksheet>']: out.write(part.encode())
cells = (f'''<row r='{r}'><c r='A{r}' t='s'><v>1</v></c></row>''' for r in range(2, 20002))
workbook('amplified.xlsx', ['''<row r='1'><c r='A1' t='s'><v>0</v></c></row>''', *cells], '<sst><si><t>ID</t></si><si><t>' + 'x' * (8 << 20) + '</t></si></sst>')
workbook('nested.xlsx', ['''<row r='1'><c r='A1' t='inlineStr'><is>''' + '<r>' * 20000 + '<t>ID</t>' + '</r>' * 20000 + '</is></c></row>'])
)";

// tarvelo-journal list import FILE into the test's journal: the tool of the platform, as a
// colony manager runs it.
testing::ProgramResult listImport(const fs::path& list, const fs::path& journal) {
  QProcess tool;
  tool.start(TARVELO_JOURNAL_TOOL, {"list", "import", QString::fromStdString(link::utf8Text(list)), "--journal",
                                    QString::fromStdString(link::utf8Text(journal))});
  tool.waitForFinished(-1);
  return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput().toStdString(),
          tool.readAllStandardError().toStdString()};
}

// Every file is refused with its reason, or read right, through the command line as a
// colony manager runs it; a refused file leaves the journal's list as it was.
TEST_F(AnimalListTest, HostileFilesAreRefusedWithTheirReasonAndLeaveTheListAsItWas) {
  const testing::ProgramResult made = testing::runProgram({"/usr/bin/python3", "-c", kMakeHostileFiles, dir_.path().toStdString()});
  ASSERT_EQ(made.status, 0) << made.err;
  ASSERT_EQ(write({{"1", "К-0", "", "", "", 20.0}}, false), 1u);
  const std::vector<Animal> before = animalList(*journal_);
  constexpr int kRefusedLines = 9;
  constexpr int kUnreadable = 10;
  for (const auto& [name, status, said] : std::initializer_list<std::tuple<const char*, int, const char*>>{
           {"quote.csv", kUnreadable, "строка 3: кавычка не закрыта"},
           {"width.csv", kRefusedLines, "строка 2: не принята: полей 2, а в заголовке 3"},
           {"width.csv", kRefusedLines, "строка 3: не принята: полей 4, а в заголовке 3"},
           {"comma.csv", kRefusedLines, "число с десятичной запятой в файле с разделителем «,» возьмите в кавычки"},
           {"long.csv", kRefusedLines, "номер длиннее 32 знаков (3000)"},
           {"nul-byte.csv", kRefusedLines, "строка 2: не принята: в номере непечатаемый знак"},
           {"nul-byte.csv", kRefusedLines, "строка 3: не принята: в номере знак «<»"},
           {"huge.csv", kRefusedLines, "вес «1e308» больше 100 кг"},
           {"future.csv", kRefusedLines, "дата рождения 01.01.2099 в будущем"},
           {"stray.csv", kUnreadable, "строка 3: байт, которого нет в кодировке UTF-8"},
           {"empty.csv", kUnreadable, "файл пуст"},
           {"seps.csv", kUnreadable, "в файле нет столбца с номером животного"},
           {"na.xlsx", kRefusedLines, "в ячейке ошибка «#N/A»"},
           {"formula.xlsx", kRefusedLines, "в ячейке формула без сохраненного значения"},
           {"amplified.xlsx", kRefusedLines, "строка 20001: не принята: номер длиннее 32 знаков"},
           {"nested.xlsx", kUnreadable, "книга .xlsx повреждена"},
           {"utf16.csv", 0, "строка 2: добавлено 7"},
           {"1904.xlsx", 0, "строка 2: добавлено 10"},
           {"second.xlsx", 0, "Прочитано: лист «Животные»"}}) {
    const testing::ProgramResult run = listImport(file(name), file("журнал.sqlite"));
    EXPECT_EQ(run.status, status) << name << "\n" << run.err;
    EXPECT_NE((run.out + run.err).find(said), std::string::npos) << name << "\n" << run.out.substr(0, 2000) << run.err;
    if (status != 0) EXPECT_EQ(animalList(*journal_), before) << name;
  }
#ifndef _WIN32
  rusage used{};
  getrusage(RUSAGE_CHILDREN, &used);
  constexpr long kMostKilobytes = 200 << 10;
  EXPECT_LT(used.ru_maxrss, kMostKilobytes);
#endif
  const std::vector<Animal> after = animalList(*journal_);
  ASSERT_EQ(after.size(), 4u);
  EXPECT_EQ((std::vector{after[1].cage, after[1].strain, after[1].genotype, after[1].study, after[1].earMark}),
            (std::vector<std::string>{"К-7", "C57BL/6", "ApoE-/-", "ИС-12", "Л2П1"}));
  EXPECT_EQ(after[2].born, "2026-01-10");
}

// An import killed while it writes, or called off, leaves the list as it was and the chain
// whole: it is one transaction.
TEST_F(AnimalListTest, AnImportKilledOrCancelledWhileItWritesLeavesTheListAsItWas) {
  constexpr int kAnimals = 100'000;
  ASSERT_EQ(write({{"1", "К-0", "", "", "", 20.0}}, false), 1u);
  const std::vector<Animal> before = animalList(*journal_);
  {
    std::ofstream list(file("колония.csv"), std::ios::binary);
    list << "№;Клетка;Вес, г\n";
    for (int n = 0; n < kAnimals; ++n) list << 985000000000000 + n << ";К-" << n / 5 << ";" << 20 + n % 50 << "\n";
  }
  const fs::path journal = file("журнал.sqlite");
  const fs::path log = journal.native() + fs::path("-wal").native();
  const auto logged = [&log] {
    std::error_code missing;
    return fs::file_size(log, missing);
  };
  const std::uintmax_t idle = logged();
  QProcess import;
  import.start(TARVELO_JOURNAL_TOOL, {"list", "import", QString::fromStdString(link::utf8Text(file("колония.csv"))),
                                      "--journal", QString::fromStdString(link::utf8Text(journal))});
  ASSERT_TRUE(import.waitForStarted());
  while (logged() <= idle && import.state() == QProcess::Running) import.waitForFinished(1);
  import.kill();
  import.waitForFinished();
  reopen();
  EXPECT_EQ(animalList(*journal_), before);

  const ImportedList imported = importAnimalList(file("колония.csv"));
  const auto halfway = [](size_t done, size_t total) { return done < total / 2; };
  EXPECT_EQ(session::writeListImport(imported, journal, false, {}, QDateTime::currentDateTime(), halfway),
            "импорт отменен: список не изменен");
  EXPECT_EQ(animalList(*journal_), before);
  EXPECT_TRUE(holds(journal_->verify({*storedHead(journal)})));
}

TEST_F(AnimalListTest, WeighedOnTakesTheDaysStandingResultsWithANumber) {
  for (const auto& [animal, local] : {std::pair{"1", "2026-12-07 00:00:00"},
                                      {"2", "2026-12-07 23:59:59"},
                                      {"3", "2026-12-07 10:00:00"},
                                      {"4", "2026-12-08 00:00:00"},
                                      {"5", "2026-12-06 23:59:59"},
                                      {"", "2026-12-07 11:00:00"}}) {
    JournalRecord result;
    result.local = local;
    result.animal = animal;
    ASSERT_FALSE(journal_->append(result));
  }
  JournalRecord removal =
      session::removalRecord(3, {}, QDateTime(QDate(2026, 12, 7), QTime(12, 0)));
  ASSERT_FALSE(journal_->append(removal));
  EXPECT_EQ(weighedOn(*journal_, "2026-12-07"), (std::set<std::string>{"1", "2"}));
}

// The colony's fields are hashed in the animal's record, come back with the list, and reach
// the export of a result with the animal's age on the day it was weighed.
TEST_F(AnimalListTest, ColonyFieldsAreHashedListedAndExported) {
  const Animal mouse{"985000001234567", "К-1", "Опыт", "самка", "2026-10-01", 21.5, "C57BL/6J", "Cre+/+", "ИС-12", "Л2"};
  ASSERT_EQ(write({mouse}, true), 1u);
  JournalRecord result;  // as the session makes it, with the listed animal's fields
  result.local = "2026-12-07 12:05:07";
  result.animal = mouse.number;
  std::tie(result.born, result.strain, result.genotype, result.study, result.earMark) =
      std::tie(mouse.born, mouse.strain, mouse.genotype, mouse.study, mouse.earMark);
  ASSERT_FALSE(journal_->append(result));
  reopen();
  EXPECT_EQ(journal_->records().front().chain, kColonyChainForm);
  EXPECT_TRUE(holds(journal_->verify({*storedHead(file("журнал.sqlite"))})));
  EXPECT_EQ(animalList(*journal_), std::vector{mouse});
  ASSERT_EQ(exportResults(*journal_, {}, ExportStyle::Russian, file("выгрузка.csv")), std::nullopt);
  std::ifstream csv(file("выгрузка.csv"), std::ios::binary);  // its CR LF as written, on Windows too
  std::string line;
  std::getline(std::getline(csv, line), line);
  EXPECT_TRUE(line.ends_with(";985000001234567;;;C57BL/6J;Cre+/+;ИС-12;Л2;67\r")) << line;
}

}  // namespace
}  // namespace tarvelo::journal
