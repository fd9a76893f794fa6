// The journal's chain against a change made behind its back, and the export read back.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "journal/csv_export.h"
#include "journal/export_file.h"
#include "journal/journal.h"
#include "journal/journal_place.h"
#include "journal/verification_text.h"
#include "link/utf8_path.h"
#include "tests/support/simulator_process.h"
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>

#include "tests/support/unprivileged.h"
#endif

namespace tarvelo::journal {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

JournalRecord resultOf(const std::string& object, const std::string& mass) {
  JournalRecord record;
  record.utc = "2026-12-07T09:05:07.000Z";
  record.local = "2026-12-07 12:05:07";
  record.person = "Иванов И.И.";
  record.protocol = "П-7";
  record.object = object;
  record.mass = mass;
  // Read whatever the locale: std::stod stops at the "." under a Russian one.
  const std::string plain = std::string(mass).replace(mass.find(','), 1, ".");
  double grams = 0;
  std::from_chars(plain.data(), plain.data() + plain.size(), grams);
  record.grams = grams;
  record.deviation = "-0,05";
  record.unit = "г";
  record.count = 2;
  record.trace = "12:05:06\t25,1\n12:05:07\t25,3\n";
  record.balance = "Весы: KM500  Заводской № 1234";
  return record;
}

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
#ifndef _WIN32
    testing::privateConfigHome();  // the heads kept outside the journals go there, not to the user's
#endif
    link::Failure error;
    journal_ = Journal::open(path_, error);
    ASSERT_TRUE(journal_) << error.message;
    for (const auto& [object, mass] : {std::pair{"Мышь 1", "25,20"}, {"Мышь 2", "31,05"}, {"Мышь 3", "28,40"}}) {
      JournalRecord record = resultOf(object, mass);
      record.subject = journal_->head().record == 0 ? 0 : 1;  // one batch, as the grid's first result names it
      ASSERT_FALSE(journal_->append(record));
    }
  }
  // Runs SQL on the journal with the sqlite3 tool, as someone with the file would, while
  // the program has it closed.
  testing::ProgramResult sql(const std::string& statements) {
    journal_.reset();
    return testing::runProgram({"/usr/bin/sqlite3", link::utf8Text(path_), statements});
  }
  std::optional<std::int64_t> firstBroken() const { return verified().firstBroken; }
  // The file checked as the program checks it: read-only, against the head kept outside.
  Verification verified(const std::vector<Head>& anchors = {}) const {
    OpenError error;
    std::vector<Head> all = anchors;
    if (const auto stored = storedHead(path_)) all.push_back(*stored);
    return Journal::openForReading(path_, error)->verify(all);
  }
  // The journal as `copy` holds it (removed first: MinGW's copy_file cannot overwrite).
  void restore(const fs::path& copy) const {
    fs::remove(path_);
    fs::copy_file(copy, path_);
  }

  QTemporaryDir dir_;
  const fs::path path_ = fs::u8path(dir_.filePath("журнал.sqlite").toStdString());
  std::unique_ptr<Journal> journal_;
};

TEST_F(JournalTest, ChangeOrDeletionBehindTheJournalsBackIsNamed) {
  EXPECT_FALSE(firstBroken());
  // The journal refuses both itself.
  EXPECT_NE(sql("UPDATE records SET mass = '25,30' WHERE id = 2").status, 0);
  EXPECT_NE(sql("DELETE FROM records WHERE id = 2").status, 0);
  EXPECT_FALSE(firstBroken());

  // Around its guards, a changed mass names its record; a deleted one names the next.
  ASSERT_EQ(sql("DROP TRIGGER records_are_unchanged; UPDATE records SET grams = 31.5 WHERE id = 2").status, 0);
  EXPECT_EQ(firstBroken(), 2);
#ifndef _WIN32
  const testing::ProgramResult verified = testing::runProgram({TARVELO_JOURNAL_TOOL, "verify", "--journal", link::utf8Text(path_)});
  EXPECT_EQ(verified.status, 3);
  EXPECT_NE(verified.out.find("запись № 2 не сходится"), std::string::npos) << verified.out;
#endif
  ASSERT_EQ(sql("DROP TRIGGER records_are_kept; DELETE FROM records WHERE id = 2").status, 0);
  EXPECT_EQ(firstBroken(), 3);
}

// Each field changed around the journal's guards names its record (the id: below).
TEST_F(JournalTest, EveryFieldAndTheIdAreInTheChain) {
  journal_.reset();
  const fs::path pristine = path_.native() + fs::path(".pristine").native();
  fs::copy_file(path_, pristine);
  for (const std::string change :
       {"kind = 'reference'", "utc = 'x'", "local = 'x'", "person = 'x'", "protocol = 'x'", "object = 'x'",
        "mass = '25,21'", "grams = 25.21", "deviation = '0,00'", "unit = 'кг'", "count = 3", "trace = ''",
        "balance = 'x'", "subject = 3", "animal = 'x'", "cage = 'x'", "grp = 'x'", "sex = 'x'", "born = 'x'",
        "note = 'x'", "strain = 'x'", "genotype = 'x'", "study = 'x'", "ear_mark = 'x'", "kind = CAST(kind AS BLOB)"}) {
    restore(pristine);
    ASSERT_EQ(sql("DROP TRIGGER records_are_unchanged; UPDATE records SET " + change + " WHERE id = 2").status, 0);
    EXPECT_EQ(firstBroken(), 2) << change;
  }
}

// Records written before the animal's or the colony's fields were hashed verify as they
// were written; one of an older form after a newer one is a rewrite that dropped them.
TEST_F(JournalTest, OlderFormsHoldOnlyBeforeTheNewer) {
  journal_.reset();
  const fs::path pristine = path_.native() + fs::path(".pristine").native();
  fs::copy_file(path_, pristine);
  for (const auto& [forms, broken] :
       {std::pair{std::vector{kFirstChainForm, kAnimalChainForm, kColonyChainForm}, std::optional<std::int64_t>()},
        {{kIdChainForm, kColonyChainForm, kAnimalChainForm}, 3}}) {
    restore(pristine);
    OpenError error;
    std::string previous;
    std::string rewrite = "DROP TRIGGER records_are_unchanged;";
    for (JournalRecord record : Journal::openForReading(path_, error)->records()) {
      record.chain = forms.at(static_cast<size_t>(record.id - 1));
      previous = chainHash(previous, record);
      rewrite += "UPDATE records SET chain = " + std::to_string(record.chain) + ", hash = '" + previous +
                 "' WHERE id = " + std::to_string(record.id) + ";";
    }
    ASSERT_EQ(sql(rewrite).status, 0);
    fs::remove(headFileOf(path_));
    EXPECT_EQ(firstBroken(), broken) << forms[2];
  }
  // A journal written before the colony's columns reads as it is where none may be added.
  restore(pristine);
  ASSERT_EQ(sql("ALTER TABLE records DROP COLUMN ear_mark; ALTER TABLE records DROP COLUMN study").status, 0);
  OpenError error;
  ASSERT_TRUE(Journal::openForReading(path_, error)) << error.message;
  EXPECT_FALSE(firstBroken());
}

// What the chain alone cannot see: a cut tail, renumbered ids, a chain computed anew after
// an edit. The head kept outside the file, or one copied from a protocol, sees them.
TEST_F(JournalTest, CutTailAndRewrittenChainAreCaughtByTheHeadKeptOutside) {
  const Verification sound = verified();
  ASSERT_TRUE(holds(sound));
  const Head printed{sound.head.record, sound.head.hash.substr(0, kShownHashDigits)};
  EXPECT_EQ(parseAnchor(anchorText(printed))->hash, printed.hash);
  EXPECT_FALSE(verified({printed}).lostAnchor);
  const Head elsewhere{printed.record - 1, printed.hash};  // its hash, another record's number
  EXPECT_EQ(verified({elsewhere}).lostAnchor->record, elsewhere.record);
  journal_.reset();
  const fs::path pristine = path_.native() + fs::path(".pristine").native();
  fs::copy_file(path_, pristine);
  const auto tampered = [&](const std::string& statements) {
    restore(pristine);
    EXPECT_EQ(sql("DROP TRIGGER records_are_kept; DROP TRIGGER records_are_unchanged; " + statements).status, 0);
  };
  tampered("DELETE FROM records WHERE id = 3");
  EXPECT_EQ(verified().lostAnchor->record, 3);
  EXPECT_FALSE(verified().firstBroken);
  tampered("DELETE FROM records");
  EXPECT_FALSE(holds(verified()));
  tampered("UPDATE records SET id = id + 100; UPDATE records SET id = id - 99");
  EXPECT_EQ(firstBroken(), 2);

  // The whole chain computed anew with the public algorithm after a change of mass.
  tampered("UPDATE records SET grams = 20.0 WHERE id = 2");
  OpenError error;
  std::string previous;
  std::string rehash;
  for (JournalRecord record : Journal::openForReading(path_, error)->records()) {
    previous = chainHash(previous, record);
    rehash += "UPDATE records SET hash = '" + previous + "' WHERE id = " + std::to_string(record.id) + ";";
  }
  ASSERT_EQ(sql(rehash).status, 0);
  EXPECT_FALSE(verified().firstBroken);
  EXPECT_EQ(verified().lostAnchor->record, 3);
  fs::remove(headFileOf(path_));  // rewritten with the settings too: a printed anchor still tells
  EXPECT_TRUE(holds(verified()));
  EXPECT_EQ(verified({printed}).lostAnchor->hash, printed.hash);
#ifndef _WIN32  // the Linux tool, run as a Linux program
  const auto tool = testing::runProgram(
      {TARVELO_JOURNAL_TOOL, "verify", "--journal", link::utf8Text(path_), "--anchor", anchorText(printed)});
  EXPECT_EQ(tool.status, 3);
  EXPECT_NE(tool.out.find("Журнал укорочен или переписан: записи № 3"), std::string::npos) << tool.out;
#endif
}

// A journal whose pages are damaged mid-file cannot be read to its end: that is said,
// never "intact" over what could be read.
TEST_F(JournalTest, DamagedPagesAreAnErrorNotTheEnd) {
  JournalRecord record = resultOf("Мышь 4", "25,00");
  record.trace = std::string(3000, 'x');  // a page or so each
  for (int i = 0; i < 40; ++i) ASSERT_FALSE(journal_->append(record));
  journal_.reset();
  {
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(fs::file_size(path_) / 2));
    file << std::string(8192, '\x5a');
  }
  OpenError error;
  const auto journal = Journal::openForReading(path_, error);
  ASSERT_TRUE(journal) << error.message;
  EXPECT_THROW(journal->verify(), ReadError);
  EXPECT_THROW(journal->records(), ReadError);
#ifndef _WIN32  // the Linux tool, run as a Linux program
  const auto tool = testing::runProgram({TARVELO_JOURNAL_TOOL, "verify", "--journal", link::utf8Text(path_)});
  EXPECT_EQ(tool.status, 5);
  EXPECT_EQ(tool.out.find("цела"), std::string::npos);
#endif
}

#ifndef _WIN32
// Checking reads only: an empty file, another program's database and a journal the user
// may only read are left byte for byte as they were, with nothing made beside them.
TEST(JournalFiles, CheckingChangesNothing) {
  QTemporaryDir dir;
  const fs::path folder = fs::u8path(dir.path().toStdString());
  const fs::path empty = folder / "пусто.sqlite", other = folder / "чужая.sqlite", own = folder / "журнал.sqlite";
  std::ofstream{empty};
  ASSERT_EQ(testing::runProgram({"/usr/bin/sqlite3", other.string(), "CREATE TABLE records (x)"}).status, 0);
  link::Failure error;
  JournalRecord record = resultOf("Мышь 1", "25,00");
  ASSERT_FALSE(Journal::open(own, error)->append(record));
  const std::vector<std::string> before{contents(empty), contents(other), contents(own)};
  for (const fs::path& file : {empty, other, own}) fs::permissions(file, fs::perms::owner_read | fs::perms::others_read);
  fs::permissions(folder, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);

  EXPECT_TRUE(testing_support::holdsForAnUnprivilegedUser([&] {
    OpenError refused;
    OpenError fine;
    const auto journal = Journal::openForReading(own, fine);
    return !Journal::openForReading(empty, refused) && refused.notAJournal &&
           !Journal::openForReading(other, refused) && refused.notAJournal && journal && journal->verify().records == 1;
  }));
#ifndef _WIN32  // the Linux tool, run as a Linux program
  EXPECT_EQ(testing::runProgram({TARVELO_JOURNAL_TOOL, "verify", "--journal", other.string()}).status, 6);
#endif
  EXPECT_EQ((std::vector<std::string>{contents(empty), contents(other), contents(own)}), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
}
#endif

// Under the Russian locale: ";" and the decimal comma; for a LIMS "," and "."; in a sheet
// the masses, deviations and counts are numbers. A removed result is left out, and the
// deviations are from the mean of the batch's results that stand; an animal's number, cage
// and group close the row.
TEST_F(JournalTest, ExportReadsBackWithPythonsCsvAndOpenpyxl) {
  JournalRecord tagged = resultOf("Мышь 4", "22,10");
  tagged.animal = "985000001234567";
  tagged.cage = "К-12";
  tagged.group = "Контроль";
  tagged.subject = 1;
  ASSERT_FALSE(journal_->append(tagged));
  JournalRecord removal;
  removal.kind = kRemoval;
  removal.subject = 2;
  ASSERT_FALSE(journal_->append(removal));
  const char* csvReader =
      "import csv, sys\n"
      "data = open(sys.argv[1], encoding='utf-8-sig', newline='').read()\n"
      "for row in csv.reader(data.splitlines(), delimiter=sys.argv[2]): print('|'.join(row))\n";
  const char* sheetReader =
      "import openpyxl, sys\n"
      "book = openpyxl.load_workbook(sys.argv[1])\n"
      "sheet = book.active\n"
      "print(sheet.title, sheet['G2'].number_format)\n"
      "print(sheet.oddFooter.left.text == book.properties.description, book.properties.description)\n"
      "for row in sheet.iter_rows(values_only=True):\n"
      "    print('|'.join(repr(v) if isinstance(v, (int, float)) else (v or '') for v in row))\n";
  const std::string balance = "|Весы: KM500  Заводской № 1234||||||||\n";
  const std::string animal = "|Весы: KM500  Заводской № 1234|985000001234567|К-12|Контроль|||||\n";
  const std::string head = printedHead(journal_->head()) + "\n";  // for a person to check the journal by
  const std::string times = "|2026-12-07T09:05:07.000Z|2026-12-07 12:05:07|Иванов И.И.|П-7|";
  const std::string russianHeadings = "№ записи|Время (UTC)|Время|Ф.И.О.|Протокол|Объект|Масса|Ед.изм.|Отклонение|Кол-во|Весы|№ животного|Клетка|Группа|"
                                      "Линия|Генотип|Исследование|Метка уха|Возраст, дн.\n";
  const std::string plainHeadings = "record|utc|local|person|protocol|object|mass|unit|deviation|count|balance|animal|cage|group|strain|genotype|"
                                   "study|ear_mark|age_days\n";
  for (const auto& [style, name, reader, separator, lines] : {
           std::tuple{ExportStyle::Russian, "выгрузка.csv", csvReader, ";",
                      russianHeadings + "1" + times + "Мышь 1|25,20|г|-0,03|2" + balance +
                          "3" + times + "Мышь 3|28,40|г|3,17|2" + balance + "4" + times + "Мышь 4|22,10|г|-3,13|2" +
                          animal + head},
           std::tuple{ExportStyle::CLocale, "выгрузка.csv", csvReader, ",",
                      plainHeadings + "1" + times + "Мышь 1|25.20|г|-0.03|2" + balance +
                          "3" + times + "Мышь 3|28.40|г|3.17|2" + balance + "4" + times + "Мышь 4|22.10|г|-3.13|2" +
                          animal},
           std::tuple{ExportStyle::Russian, "выгрузка.xlsx", sheetReader, "",
                      "Результаты 0.00\nTrue " + head + russianHeadings + "1" + times + "Мышь 1|25.2|г|-0.03|2" + balance +
                          "3" + times + "Мышь 3|28.4|г|3.17|2" + balance + "4" + times + "Мышь 4|22.1|г|-3.13|2" +
                          animal}}) {
    const fs::path file = fs::u8path(dir_.filePath(name).toStdString());
    ASSERT_EQ(exportResults(*journal_, {}, style, file), std::nullopt);
    const testing::ProgramResult read = testing::runProgram({"/usr/bin/python3", "-c", reader, link::utf8Text(file), separator});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, lines);
  }
  // The animals' weighings in the long form: only the result with a number.
  for (const auto& [style, separator, lines] :
       {std::tuple{ExportStyle::Russian, ";", "Номер|Дата|Время|Масса, г\n985000001234567|2026-12-07|12:05:07|22,10\n"},
        std::tuple{ExportStyle::CLocale, ",", "animal|date|time|grams\n985000001234567|2026-12-07|12:05:07|22.10\n"}}) {
    const fs::path file = fs::u8path(dir_.filePath("масса.csv").toStdString());
    ASSERT_EQ(exportAnimalWeights(*journal_, {}, style, file), std::nullopt);
    const testing::ProgramResult read = testing::runProgram({"/usr/bin/python3", "-c", csvReader, link::utf8Text(file), separator});
    EXPECT_EQ(read.out, lines);
  }
}

// One line of masses an animal, by cage, a column a day with the day's last mass, and
// the per cent of the first weighing below; a day below a share is filled in its colour.
TEST_F(JournalTest, GrowthSheetKeepsEachAnimalsDaysAndColoursTheAlerts) {
  const auto weigh = [this](const char* animal, const char* cage, const char* day, const char* mass) {
    JournalRecord record = resultOf("Мышь", mass);
    record.animal = animal;
    record.cage = cage;
    record.local = std::string(day) + " 12:05:07";
    ASSERT_FALSE(journal_->append(record));
  };
  weigh("12", "К-2", "2026-12-01", "25,00");
  weigh("9", "К-2", "2026-12-01", "30,00");
  weigh("12", "К-2", "2026-12-03", "21,00");
  weigh("12", "К-2", "2026-12-03", "19,00");  // the day's last: 76 %, below the limit
  weigh("9", "К-2", "2026-12-03", "25,20");   // 84 %, below the warning
  weigh("3", "К-1", "2026-12-03", "20,00");
  const fs::path file = fs::u8path(dir_.filePath("рост.xlsx").toStdString());
  ASSERT_EQ(exportGrowth(*journal_, {}, ExportStyle::Russian, {}, file), std::nullopt);
  const char* reader =
      "import openpyxl, sys\n"
      "sheet = openpyxl.load_workbook(sys.argv[1]).active\n"
      "for row in sheet.iter_rows():\n"
      "    print('|'.join(('%g' % c.value if isinstance(c.value, float) else str(c.value or '')) +\n"
      "                   ('#' + c.fill.fgColor.rgb[2:] if c.fill.fill_type else '') for c in row))\n";
  const testing::ProgramResult read = testing::runProgram({"/usr/bin/python3", "-c", reader, link::utf8Text(file)});
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out,
            "№ животного|Клетка|Группа|Линия|Генотип|Исследование|Метка уха|Исходный вес, г|01.12.2026|03.12.2026\n"
            "3|К-1||||||20||20\n"
            "|||||||% исходного||100\n"
            "9|К-2||||||30|30|25.2#FFD699\n"
            "|||||||% исходного|100|84#FFD699\n"
            "12|К-2||||||25|25|19#FF8A8A\n"
            "|||||||% исходного|100|76#FF8A8A\n");
}

#ifndef _WIN32  // the Linux tool, run as a Linux program
// Dates that are no real day, a period that ends before it starts, a target that is no
// regular file and a file already there without --force: refused, nothing written. An
// object without records is said to have none; help is asked for.
TEST_F(JournalTest, ExportRefusesWhatItCannotDoSafely) {
  journal_.reset();
  const auto exported = [this](const std::vector<std::string>& options) {
    std::vector<std::string> command{TARVELO_JOURNAL_TOOL, "export", "--journal", link::utf8Text(path_)};
    command.insert(command.end(), options.begin(), options.end());
    return testing::runProgram(command);
  };
  const std::string file = dir_.filePath("выгрузка.csv").toStdString();
  for (const auto& [name, date] : {std::pair{"--from", "2026-13-45"}, {"--from", "вчера"}, {"--to", "07.12.2026"}}) {
    const auto refused = exported({name, date, "--out", file});
    EXPECT_EQ(refused.status, 1) << date;
    EXPECT_NE(refused.err.find(std::string(name) + " «" + date + "»"), std::string::npos) << refused.err;
  }
  EXPECT_EQ(exported({"--from", "2026-12-08", "--to", "2026-12-07", "--out", file}).status, 1);
  // A growth sheet is only .xlsx; a warning at or below the limit would never be said.
  const std::string sheet = dir_.filePath("рост.xlsx").toStdString();
  EXPECT_EQ(exported({"--growth", "--out", file}).status, 1);
  EXPECT_EQ(exported({"--growth", "--warning", "80", "--limit", "85", "--out", sheet}).status, 1);
  EXPECT_FALSE(fs::exists(file) || fs::exists(sheet));
  const auto unknown = exported({"--object", "Мышь 9"});
  EXPECT_EQ(unknown.status, 8);
  EXPECT_NE(unknown.err.find("нет записей объекта «Мышь 9»"), std::string::npos) << unknown.err;
  for (const char* help : {"--help", "-h"}) {
    const auto said = testing::runProgram({TARVELO_JOURNAL_TOOL, help});
    EXPECT_TRUE(said.status == 0 && said.out.starts_with("tarvelo-journal verify")) << help << said.err;
  }

  const std::string fifo = dir_.filePath("канал").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(exported({"--out", fifo}).status, 4);
  EXPECT_TRUE(fs::is_fifo(fifo));
  std::ofstream(file) << "старое";
  EXPECT_EQ(exported({"--out", file}).status, 4);
  EXPECT_EQ(contents(file), "старое");
  EXPECT_EQ(exported({"--out", file, "--force"}).status, 0);
  EXPECT_EQ(contents(file), exported({}).out);
}

// Objects named like formulas, whatever they start with, stay text when LibreOffice opens
// the CSV, in both styles; the numbers stay numbers.
TEST_F(JournalTest, FormulaLikeNamesStayTextInASpreadsheet) {
  const std::vector<std::string> objects{"=1+1", "=HYPERLINK(\"x\";\"y\")", "@SUM(1)", "-1", "+1", "\t=1", "\r=1"};
  for (const std::string& object : objects) {
    JournalRecord record = resultOf(object, "25,00");
    ASSERT_FALSE(journal_->append(record));
  }
  const char* reader =
      "import openpyxl, sys\n"
      "for row in openpyxl.load_workbook(sys.argv[1]).active.iter_rows(min_row=5, max_row=11):\n"
      "    print(row[5].data_type, row[6].data_type, row[8].data_type)\n";
  for (const auto& [style, filter] : {std::pair{ExportStyle::Russian, "CSV:59,34,76,1"}, {ExportStyle::CLocale, "CSV:44,34,76,1,,1033"}}) {
    const fs::path csv = fs::u8path(dir_.filePath("формулы.csv").toStdString());
    ASSERT_EQ(exportResults(*journal_, {}, style, csv), std::nullopt);
    for (const std::string& object : objects) EXPECT_NE(contents(csv).find("'" + object.substr(0, 2)), std::string::npos) << object;
    const auto converted = testing::runProgram({"/usr/bin/soffice", "--headless", "--infilter=" + std::string(filter),
                                                "--convert-to", "xlsx", "--outdir", dir_.path().toStdString(), link::utf8Text(csv)});
    ASSERT_EQ(converted.status, 0) << converted.err;
    const auto read = testing::runProgram({"/usr/bin/python3", "-c", reader, dir_.filePath("формулы.xlsx").toStdString()});
    EXPECT_EQ(read.out, "s n n\ns n n\ns n n\ns n n\ns n n\ns n n\ns n n\n") << read.err;
  }
}
#endif

#ifdef _WIN32
// A Russian user's command line reaches the tool in Unicode: a Cyrillic object and file.
TEST_F(JournalTest, CyrillicArgumentsReachTheToolOnWindows) {
  journal_.reset();
  const std::wstring tool = L"Z:" + fs::path(TARVELO_JOURNAL_TOOL).make_preferred().wstring();
  const std::wstring out = dir_.filePath("журнал.csv").toStdWString();
  std::wstring line = L"\"" + tool + L"\" export --journal \"" + path_.wstring() + L"\" --object \"Мышь 1\" --out \"" + out + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(status, 0u);
  const std::string csv = contents(fs::path(out));
  EXPECT_NE(csv.find("Мышь 1"), std::string::npos) << csv;
  EXPECT_EQ(csv.find("Мышь 2"), std::string::npos) << csv;
  EXPECT_EQ(csv.find("\r\r"), std::string::npos);
}
#endif

// Appenders in one process finish in any order; the kept head never goes back.
TEST(JournalHead, KeptHeadOnlyMovesForward) {
  QTemporaryDir dir;
#ifndef _WIN32
  testing::privateConfigHome();
#endif
  const fs::path journal = fs::u8path(dir.filePath("heads.sqlite").toStdString());
  std::atomic<int> behind = 0;
  std::vector<std::thread> appenders;
  for (int i = 0; i < 4; ++i) {
    appenders.emplace_back([&] {
      link::Failure error;
      const auto own = Journal::open(journal, error);
      for (int n = 0; own && n < 150; ++n) {
        JournalRecord record = resultOf("Мышь 1", "25,00");
        const bool refused = own->append(record).has_value();
        if (const auto kept = storedHead(journal); refused || !kept || kept->record < record.id) ++behind;
      }
    });
  }
  for (std::thread& appender : appenders) appender.join();
  EXPECT_EQ(behind, 0);
  OpenError unread;
  EXPECT_EQ(storedHead(journal)->record, Journal::openForReading(journal, unread)->head().record);
}

// A journal at an earlier place moves, with its pending records and its head, to the one
// place; a journal already there is never overwritten.
TEST(JournalPlace, JournalAtAnEarlierPlaceIsTakenOver) {
  QTemporaryDir dir;
#ifndef _WIN32
  testing::privateConfigHome();
#endif
  const fs::path old = fs::u8path(dir.filePath("Tarvelo-старый/journal.sqlite").toStdString());
  const fs::path place = fs::u8path(dir.filePath("Tarvelo/journal.sqlite").toStdString());
  link::Failure error;
  JournalRecord record = resultOf("Мышь 1", "25,00");
  ASSERT_FALSE(Journal::open(old, error)->append(record));
  std::ofstream(pendingFileOf(old)) << "[]";
  ASSERT_EQ(adoptJournal(old, place), std::nullopt);
  EXPECT_FALSE(fs::exists(old));
  EXPECT_TRUE(fs::exists(pendingFileOf(place)));
  EXPECT_EQ(storedHead(place)->hash, record.hash);
  OpenError unread;
  EXPECT_EQ(Journal::openForReading(place, unread)->records().size(), 1u);

  ASSERT_FALSE(Journal::open(old, error)->append(record));
  ASSERT_EQ(adoptJournal(old, place), std::nullopt);
  EXPECT_TRUE(fs::exists(old));
  EXPECT_EQ(Journal::openForReading(place, unread)->records().size(), 1u);
}

// One mouse over three days: the first weighing is the reference until it is removed or
// another is taken; the last is measured against it.
TEST(JournalObjects, ReferenceIsTheFirstStandingWeighingUnlessAnotherIsTaken) {
  QTemporaryDir dir;
  link::Failure error;
  const auto journal = Journal::open(fs::u8path(dir.filePath("j.sqlite").toStdString()), error);
  for (const auto& [day, mass] : {std::pair{"05", "25,00"}, {"06", "22,00"}, {"07", "20,00"}}) {
    JournalRecord record = resultOf("Мышь 1", mass);
    record.local = std::string("2026-12-") + day + " 09:00:00";
    ASSERT_FALSE(journal->append(record));
  }
  JournalRecord other = resultOf("Мышь 2", "30,00");
  ASSERT_FALSE(journal->append(other));
  const auto mouse = [&journal] { return journal->objects({"Мышь 1", {}, {}, {}}).at(0); };
  EXPECT_EQ(journal->objects().size(), 2u);
  EXPECT_EQ(mouse().weighings, 3);
  EXPECT_EQ(mouse().referenceGrams, 25.0);
  EXPECT_EQ(mouse().lastLocal, "2026-12-07 09:00:00");
  EXPECT_DOUBLE_EQ(*lastShareOfReference(mouse()), 80.0);

  JournalRecord removal;
  removal.kind = kRemoval;
  removal.subject = 1;
  ASSERT_FALSE(journal->append(removal));
  EXPECT_EQ(mouse().weighings, 2);
  EXPECT_EQ(mouse().referenceGrams, 22.0);

  // Taken: the last weighing; a reference naming another object's result is no reference.
  JournalRecord taken;
  taken.kind = kReference;
  taken.object = "Мышь 1";
  taken.subject = 3;
  JournalRecord stray = taken;
  stray.subject = 4;
  ASSERT_FALSE(journal->append(taken));
  ASSERT_FALSE(journal->append(stray));
  EXPECT_EQ(mouse().referenceId, 3);
  EXPECT_DOUBLE_EQ(*lastShareOfReference(mouse()), 100.0);
  EXPECT_FALSE(journal->verify().firstBroken);
}

// An animal is known by its number whatever the grid called it; results without one by the
// name the grid calls them by now, after removals renamed them.
TEST(JournalObjects, AnimalsByNumberAndRowsByTheirCurrentName) {
  QTemporaryDir dir;
  link::Failure error;
  const auto journal = Journal::open(fs::u8path(dir.filePath("j.sqlite").toStdString()), error);
  const auto append = [&journal](JournalRecord record) { ASSERT_FALSE(journal->append(record)); };
  for (const auto& [object, mass] : {std::pair{"Мышь 1", "25,00"}, {"Мышь 2", "26,00"}, {"Мышь 3", "24,00"}}) {
    append(resultOf(object, mass));
  }
  // A record of `kind` naming `subject` as `object` or `animal`, with `grams`.
  const auto named = [](const char* kind, std::string object, std::int64_t subject, std::string animal = {},
                        std::optional<double> grams = {}) {
    JournalRecord record;
    record.kind = kind;
    record.object = std::move(object);
    record.subject = subject;
    record.animal = std::move(animal);
    record.grams = grams;
    return record;
  };
  append(named(kRemoval, {}, 1));
  append(named(kRename, "Мышь 1", 2));
  append(named(kRename, "Мышь 2", 3));
  append(resultOf("Мышь 3", "27,00"));
  JournalRecord tagged = resultOf("Мышь 3", "20,00");
  tagged.animal = "985000001234567";
  append(tagged);
  const std::vector<ObjectSummary> objects = journal->objects();
  ASSERT_EQ(objects.size(), 4u);
  EXPECT_EQ(objects[0].object, "985000001234567");
  EXPECT_FALSE(objects[0].byName);
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(objects[i].object, "Мышь " + std::to_string(i));
    EXPECT_TRUE(objects[i].byName);
    EXPECT_EQ(objects[i].weighings, 1) << objects[i].object;
  }
  EXPECT_EQ(objects[2].lastGrams, 24.0);
  const std::vector<JournalRecord> second = journal->standingResults(filterOf(objects[2]));
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].id, 3);
  EXPECT_EQ(second[0].object, "Мышь 2");
  EXPECT_EQ(journal->standingResults(filterOf(objects[0])).at(0).grams, 20.0);

  // The list's weight is the animal's reference, unless one is taken.
  append(named(kAnimal, {}, 0, "985000001234567", 25.0));
  EXPECT_EQ(journal->objects().at(0).referenceGrams, 25.0);
  append(named(kReference, "Мышь 3", 8, "985000001234567"));
  EXPECT_EQ(journal->objects().at(0).referenceGrams, 20.0);
}

}  // namespace
}  // namespace tarvelo::journal
