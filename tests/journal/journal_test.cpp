// The journal's chain against a change made behind its back, and the export read back.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <string>

#include "journal/export_file.h"
#include "journal/journal.h"
#include "tests/support/simulator_process.h"

namespace tarvelo::journal {
namespace {

namespace fs = std::filesystem;

JournalRecord resultOf(const std::string& object, const std::string& mass) {
  JournalRecord record;
  record.utc = "2026-12-07T09:05:07.000Z";
  record.local = "2026-12-07 12:05:07";
  record.person = "Иванов И.И.";
  record.protocol = "П-7";
  record.object = object;
  record.mass = mass;
  record.grams = std::stod(std::string(mass).replace(mass.find(','), 1, "."));
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
    std::string error;
    journal_ = Journal::open(path_, error);
    ASSERT_TRUE(journal_) << error;
    for (const auto& [object, mass] : {std::pair{"Мышь 1", "25,20"}, {"Мышь 2", "31,05"}, {"Мышь 3", "28,40"}}) {
      JournalRecord record = resultOf(object, mass);
      ASSERT_FALSE(journal_->append(record));
    }
  }
  // Runs SQL on the journal with the sqlite3 tool, as someone with the file would, while
  // the program has it closed.
  testing::ProgramResult sql(const std::string& statements) {
    journal_.reset();
    return testing::runProgram({"/usr/bin/sqlite3", utf8(path_), statements});
  }
  std::optional<std::int64_t> firstBroken() const {
    std::string error;
    return Journal::open(path_, error)->verify().firstBroken;
  }
  static std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
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
#ifdef TARVELO_JOURNAL_TOOL
  const testing::ProgramResult verified = testing::runProgram({TARVELO_JOURNAL_TOOL, "verify", "--journal", utf8(path_)});
  EXPECT_EQ(verified.status, 3);
  EXPECT_NE(verified.out.find("запись № 2 не сходится"), std::string::npos) << verified.out;
#endif
  ASSERT_EQ(sql("DROP TRIGGER records_are_kept; DELETE FROM records WHERE id = 2").status, 0);
  EXPECT_EQ(firstBroken(), 3);
}

// Under the Russian locale: ";" and the decimal comma; for a LIMS "," and "."; in a sheet
// the masses, deviations and counts are numbers. A removed result is left out.
TEST_F(JournalTest, ExportReadsBackWithPythonsCsvAndOpenpyxl) {
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
      "sheet = openpyxl.load_workbook(sys.argv[1]).active\n"
      "print(sheet.title, sheet['G2'].number_format)\n"
      "for row in sheet.iter_rows(values_only=True):\n"
      "    print('|'.join(repr(v) if isinstance(v, (int, float)) else v for v in row))\n";
  const std::string balance = "|Весы: KM500  Заводской № 1234\n";
  const std::string times = "|2026-12-07T09:05:07.000Z|2026-12-07 12:05:07|Иванов И.И.|П-7|";
  const std::string russianHeadings = "№ записи|Время (UTC)|Время|Ф.И.О.|Протокол|Объект|Масса|Ед.изм.|Отклонение|Кол-во|Весы\n";
  const std::string plainHeadings = "record|utc|local|person|protocol|object|mass|unit|deviation|count|balance\n";
  for (const auto& [style, name, reader, separator, lines] : {
           std::tuple{ExportStyle::Russian, "выгрузка.csv", csvReader, ";",
                      russianHeadings + "1" + times + "Мышь 1|25,20|г|-0,05|2" + balance +
                          "3" + times + "Мышь 3|28,40|г|-0,05|2" + balance},
           std::tuple{ExportStyle::CLocale, "выгрузка.csv", csvReader, ",",
                      plainHeadings + "1" + times + "Мышь 1|25.20|г|-0.05|2" + balance +
                          "3" + times + "Мышь 3|28.40|г|-0.05|2" + balance},
           std::tuple{ExportStyle::Russian, "выгрузка.xlsx", sheetReader, "",
                      "Результаты 0.00\n" + russianHeadings + "1" + times + "Мышь 1|25.2|г|-0.05|2" + balance +
                          "3" + times + "Мышь 3|28.4|г|-0.05|2" + balance}}) {
    const fs::path file = fs::u8path(dir_.filePath(name).toStdString());
    ASSERT_EQ(exportResults(journal_->standingResults(), style, file), "");
    const testing::ProgramResult read = testing::runProgram({"/usr/bin/python3", "-c", reader, utf8(file), separator});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, lines);
  }
}

// One mouse over three days: the first weighing is the reference until it is removed or
// another is taken; the last is measured against it.
TEST(JournalObjects, ReferenceIsTheFirstStandingWeighingUnlessAnotherIsTaken) {
  QTemporaryDir dir;
  std::string error;
  const auto journal = Journal::open(fs::u8path(dir.filePath("j.sqlite").toStdString()), error);
  for (const auto& [day, mass] : {std::pair{"05", "25,00"}, {"06", "22,00"}, {"07", "20,00"}}) {
    JournalRecord record = resultOf("Мышь 1", mass);
    record.local = std::string("2026-12-") + day + " 09:00:00";
    ASSERT_FALSE(journal->append(record));
  }
  JournalRecord other = resultOf("Мышь 2", "30,00");
  ASSERT_FALSE(journal->append(other));
  const auto mouse = [&journal] { return journal->objects("Мышь 1").at(0); };
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

}  // namespace
}  // namespace tarvelo::journal
