// The journal window over a journal of two mice: the change from the reference and the
// mark, a reference taken, one mouse's weights, an export of one mouse and period, the
// chain shown broken after a change.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "journal/journal.h"
#include "link/utf8_path.h"
#include "tests/support/keyboard_checks.h"
#include "tests/support/simulator_process.h"
#include "journal/animal_list.h"
#include "session/journal_entry.h"
#ifndef _WIN32
#include "labserver/lab_schema.h"
#include "labserver/lab_stations.h"
#include "labserver/station_sender.h"
#include "tests/support/postgres_cluster.h"
#endif
#include "window/journal/animal_list_window.h"
#include "window/journal/list_import_dialog.h"
#include "window/journal/journal_window.h"
#include "window/widgets/line_chart.h"

namespace tarvelo::window {

class JournalWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // The window goes first: its chain check may still hold the journal, which Windows will
  // not let go of while it is open.
  void cleanup() { window.reset(); }

  void init() {
    path = std::filesystem::u8path(dir.filePath("журнал.sqlite").toStdString());
    std::filesystem::remove(path);
    link::Failure error;
    auto journal = journal::Journal::open(path, error);
    for (const auto& [object, grams, day] : {std::tuple{"Мышь 1", 25.0, "05"}, {"Мышь 2", 30.0, "05"},
                                             {"Мышь 1", 20.0, "07"}, {"Мышь 2", 29.0, "07"}}) {
      journal::JournalRecord record;
      record.object = object;
      record.local = std::string("2026-12-") + day + " 10:00:00";
      record.grams = grams;
      record.mass = QLocale().toString(grams, 'f', 2).toStdString();
      QVERIFY(!journal->append(record));
    }
    window = std::make_unique<JournalWindow>(path, [] { return session::JournalContext{}; }, [this] { return shares; });
    window->refresh();
    table = window->findChild<QTableWidget*>("JournalObjects");
  }

  // A list imported through its dialog, then the table edited and saved, is the list the
  // journal keeps, and whoever listens hears it.
  void animalListIsImportedEditedAndKept() {
    std::vector<journal::Animal> heard;
    AnimalListWindow list(path, [] { return session::JournalContext{}; },
                          [&heard](const std::vector<journal::Animal>& animals, const std::set<std::string>&) { heard = animals; });
    QFile csv(dir.filePath("список.csv"));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write("Номер;Клетка;Группа;Вес, г\n985000000000001;К-1;А;25,5\n985000000000002;К-1;А;\n");
    csv.close();
    ListImportDialog* import = list.openImport(csv.fileName());
    auto* confirm = import->findChild<QAbstractButton*>("ListImportConfirm");
    QTRY_VERIFY(confirm->isEnabled());
    confirm->click();
    QTRY_VERIFY(import->outcome());
    import->accept();
    QCOMPARE(heard.size(), size_t{2});
    QCOMPARE(heard[0].referenceGrams, 25.5);
    QAbstractItemModel* table = list.findChild<QTableView*>("AnimalList")->model();
    table->setData(table->index(1, 1), "К-9");  // moved to another cage
    table->removeRow(0);
    QCOMPARE(list.saveTable(), std::nullopt);
    journal::OpenError error;
    const auto kept = journal::animalList(*journal::Journal::openForReading(path, error));
    QCOMPARE(kept.size(), size_t{1});
    QCOMPARE(kept[0].cage, std::string("К-9"));
    QCOMPARE(heard, kept);
  }

  // The fields above the list keep the rows that hold each of their texts; a heading sorts
  // the numbers by their value.
  void animalListFiltersByTwoFieldsAndSorts() {
    link::Failure error;
    const QDateTime now = QDateTime::currentDateTime();
    std::vector<journal::JournalRecord> records;
    for (const auto& [number, cage, strain] : {std::tuple{"10", "К-1", "C57BL/6"}, {"9", "К-1", "C57BL/6N"},
                                               {"12", "К-1", "BALB/c"}, {"8", "К-2", "C57BL/6"},
                                               {"11", "к-1", "c57bl/6J"}}) {
      journal::Animal animal{number, cage, "А", "", "", {}};
      animal.strain = strain;
      records.push_back(session::animalRecord(animal, {}, now));
    }
    QVERIFY(!journal::Journal::open(path, error)->appendAll(records));
    AnimalListWindow list(path, [] { return session::JournalContext{}; }, [](const auto&, const auto&) {});
    list.refresh();
    const QAbstractItemModel* table = list.findChild<QTableView*>("AnimalList")->model();
    const auto numbers = [table] {
      QStringList shown;
      for (int row = 0; row < table->rowCount(); ++row) shown << table->index(row, 0).data().toString();
      return shown;
    };
    list.findChild<QLineEdit*>("AnimalListCageFilter")->setText("К-1");
    list.findChild<QLineEdit*>("AnimalListStrainFilter")->setText("C57");
    QCOMPARE(numbers(), QStringList({"10", "9", "11"}));
    list.findChild<QTableView*>("AnimalList")->sortByColumn(0, Qt::DescendingOrder);
    QCOMPARE(numbers(), QStringList({"11", "10", "9"}));
  }

  // Animals are shown with the cage and group of their last weighing, and the filters
  // above the table keep one cage's or group's rows.
  void cageAndGroupFiltersKeepTheirRows() {
    link::Failure error;
    auto journal = journal::Journal::open(path, error);
    for (const auto& [animal, cage, group] : {std::tuple{"985000000000001", "К-1", "А"}, {"985000000000002", "К-2", "А"}}) {
      journal::JournalRecord record;
      record.animal = animal;
      record.cage = cage;
      record.group = group;
      record.grams = 25.0;
      QVERIFY(!journal->append(record));
    }
    window->refresh();
    QCOMPARE(table->rowCount(), 4);
    auto* cages = window->findChild<QComboBox*>("JournalCageFilter");
    QCOMPARE(cages->count(), 3);  // all, and the two cages
    cages->setCurrentText("К-2");
    QStringList shown;
    for (int row = 0; row < table->rowCount(); ++row) {
      if (!table->isRowHidden(row)) shown << rowTexts(row)[0];
    }
    QCOMPARE(shown, QStringList({"985000000000002"}));
    window->findChild<QComboBox*>("JournalGroupFilter")->setCurrentText("А");
    window->refresh();  // the choice stays
    QCOMPARE(cages->currentText(), QString("К-2"));
    QVERIFY(table->isRowHidden(0) && !table->isRowHidden(1));
  }

  void objectsShowTheirChangeAndTheMarkBelowTheAlertShare() {
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(rowTexts(0), QStringList({"Мышь 1", "2", "20,00", "25,00", "-5,00", "-20,0", "", "", "", "", "", ""}));
    QCOMPARE(rowTexts(1), QStringList({"Мышь 2", "2", "29,00", "30,00", "-1,00", "-3,3", "", "", "", "", "", ""}));
    QVERIFY(marked(0));
    QVERIFY(!marked(1));
    const QColor warned = table->item(0, 0)->background().color();
    shares.limit = 81.0;  // as "Параметры…" may set it: the limit is marked more strongly
    window->refresh();
    QVERIFY(marked(0));
    QVERIFY(table->item(0, 0)->background().color().red() > table->item(0, 0)->background().color().green());
    QVERIFY(table->item(0, 0)->background().color() != warned);
    shares = {75.0, 70.0};
    window->refresh();
    QVERIFY(!marked(0));
    shares = {};
    window->refresh();
    // The chart waits for an object; then its weights, reference and alert share over days.
    auto* chart = window->findChild<LineChart*>("JournalChart");
    QVERIFY(chart->isHidden());
    table->selectRow(1);
    QVERIFY(!chart->isHidden());
    QCOMPARE(chart->points(0), QList<QPointF>({{0, 30.0}, {2, 29.0}}));
    QCOMPARE(chart->points(1), QList<QPointF>({{0, 30.0}, {2, 30.0}}));
    QCOMPARE(chart->points(2), QList<QPointF>({{0, 25.5}, {2, 25.5}}));
    QCOMPARE(chart->points(3), QList<QPointF>({{0, 24.0}, {2, 24.0}}));
    QCOMPARE(chart->axisTitle(Qt::Vertical), QString("вес, г"));

    // Asked first, naming both weights; "No" keeps the reference.
    QString question;
    QTimer::singleShot(0, [&question] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      question = box->text();
      box->button(QMessageBox::No)->click();
    });
    window->findChild<QPushButton*>("TakeReferenceButton")->click();
    QCOMPARE(question, QString("Принять за исходный вес «Мышь 2» последнее взвешивание, 29,00 г, вместо 30,00 г?"));
    QCOMPARE(rowTexts(1)[3], QString("30,00"));

    table->selectRow(0);
    window->takeAsReference();
    QCOMPARE(rowTexts(0), QStringList({"Мышь 1", "2", "20,00", "20,00", "0,00", "0,0", "", "", "", "", "", ""}));
    QVERIFY(!marked(0));
  }

  // The chosen mouse of one period, as a sheet read back with openpyxl.
  // Choices that take nothing are said, and nothing is written.
  void exportTakesTheChosenObjectAndPeriod() {
    const QString file = dir.filePath("мышь.xlsx");
    window->findChild<QCheckBox*>("JournalExportObjectOnly")->setChecked(true);
    QVERIFY(window->exportTo(file).value_or("").startsWith("Не выбран объект"));
    table->selectRow(0);
    window->findChild<QCheckBox*>("JournalExportPeriod")->setChecked(true);
    window->findChild<QDateEdit*>("JournalExportFrom")->setDate(QDate(2026, 12, 8));
    window->findChild<QDateEdit*>("JournalExportTo")->setDate(QDate(2026, 12, 7));
    QCOMPARE(window->exportTo(file), QString("Период начинается позже, чем кончается."));
    QVERIFY(!QFile::exists(file));
    window->findChild<QDateEdit*>("JournalExportFrom")->setDate(QDate(2026, 12, 6));
    QCOMPARE(window->exportTo(file), std::nullopt);
    const testing::ProgramResult read = testing::runProgram(
        {"/usr/bin/python3", "-c",
         "import openpyxl, sys\n"
         "for row in openpyxl.load_workbook(sys.argv[1]).active.iter_rows(min_row=2, values_only=True):\n"
         "    print(row[2], row[5], repr(row[6]))\n",
         file.toStdString()});
    QCOMPARE(read.status, 0);
    QCOMPARE(QString::fromStdString(read.out), "2026-12-07 10:00:00 Мышь 1 20\n");
  }

  // Checked behind the window; its result shows when ready, with the head to write down.
  void changeMadeWithTheSqliteToolShowsTheChainBroken() {
    const auto chain = [this] {
      window->waitForChainCheck();
      return window->findChild<QLabel*>("JournalChain")->text();
    };
    QVERIFY2(chain().startsWith("Цепочка журнала цела. Записей: 4. Журнал: запись № 4, подпись "), qPrintable(chain()));
    const testing::ProgramResult changed = testing::runProgram(
        {"/usr/bin/sqlite3", link::utf8Text(path),
         "DROP TRIGGER records_are_unchanged; UPDATE records SET grams = 26 WHERE id = 3"});
    QCOMPARE(changed.status, 0);
    window->refresh();
    QVERIFY2(chain().startsWith("Цепочка журнала нарушена: запись № 3"), qPrintable(chain()));
    // Both mice were last weighed from record 3 on: neither row can be trusted.
    QVERIFY2(chain().endsWith("таких объектов: 2 (отмечены серым)."), qPrintable(chain()));
    QCOMPARE(table->item(0, 2)->background().color(), QColor(200, 200, 200));
  }

  // Shown, it follows the journal: a weighing made elsewhere is in it within a second,
  // and the chosen object stays chosen.
  void openWindowShowsANewRecordWithinASecond() {
    window->show();
    table->selectRow(1);
    link::Failure error;
    journal::JournalRecord record;
    record.object = "Мышь 3";
    record.grams = 27.0;
    QVERIFY(!journal::Journal::open(path, error)->append(record));
    QElapsedTimer shown;
    shown.start();
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 3, 1000);
    qInfo("a record shows in the open journal window after %lld ms", shown.elapsed());
    QCOMPARE(rowTexts(table->currentRow()).front(), QString("Мышь 2"));

    // A long name is cut short in the table, whole in its tooltip.
    const std::string name(200, 'x');
    record.object = name;
    QVERIFY(!journal::Journal::open(path, error)->append(record));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 4, 1000);
    QCOMPARE(table->columnWidth(0), 150);
    QVERIFY(table->item(0, 0)->toolTip().startsWith(QString::fromStdString(name)));  // Latin sorts first
  }

#ifndef _WIN32
  // With a lab server set, "Вся лаборатория" reads it behind the window: each station's
  // objects without a number under their station's name, their weights on the chart; a
  // reference is not taken from the lab's copy.
  void wholeLabIsReadFromTheServerBehindTheWindow() {
    const testing::PostgresCluster cluster;
    QVERIFY2(cluster.failure().empty(), cluster.failure().c_str());
    labserver::LabFailure failure;
    const auto admin = labserver::LabConnection::open(cluster.superuserConnection(), failure);
    QVERIFY2(admin && !labserver::initLabServer(*admin), failure.text.c_str());
    QVERIFY(!labserver::addStation(*admin, "Комната 5", testing::PostgresCluster::kSuperuser, std::nullopt));
    journal::OpenError error;
    QVERIFY(!labserver::sendPending(*admin, *journal::Journal::openForReading(path, error), "Комната 5").failure);
    const QString server = QString::fromStdString(cluster.superuserConnection());
    window = std::make_unique<JournalWindow>(path, [] { return session::JournalContext{}; }, [this] { return shares; },
                                             [server] { return server; });
    window->refresh();
    table = window->findChild<QTableWidget*>("JournalObjects");
    auto* wholeLab = window->findChild<QCheckBox*>("JournalWholeLab");
    auto* said = window->findChild<QLabel*>("JournalChain");
    QVERIFY(!wholeLab->isHidden());
    wholeLab->setChecked(true);
    QCOMPARE(said->text(), QString("Сервер лаборатории читается…"));
    QTRY_VERIFY_WITH_TIMEOUT(said->text().startsWith("Вся лаборатория, объектов: 2;"), 10'000);
    QCOMPARE(rowTexts(0).mid(0, 4), (QStringList{"Мышь 1 (Комната 5)", "2", "20,00", "25,00"}));
    QVERIFY(!window->findChild<QPushButton*>("TakeReferenceButton")->isEnabled());
    table->selectRow(1);
    QTRY_VERIFY_WITH_TIMEOUT(!window->findChild<LineChart*>("JournalChart")->isHidden(), 10'000);
    QVERIFY(window->findChild<QLabel*>("JournalChartCaption")->text().startsWith("Мышь 2: вес по суткам"));
    // Shown, it follows the server: a weighing sent meanwhile shows, the chosen object kept.
    window->show();
    link::Failure opened;
    const auto journal = journal::Journal::open(path, opened);
    for (const char* object : {"Мышь 2", "Мышь 0"}) {  // the new one goes first
      journal::JournalRecord next;
      next.object = object;
      next.grams = 31.0;
      QVERIFY(!journal->append(next));
    }
    QVERIFY(!labserver::sendPending(*admin, *journal::Journal::openForReading(path, error), "Комната 5").failure);
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 3, 6'000);
    QCOMPARE(rowTexts(table->currentRow()).mid(0, 2), (QStringList{"Мышь 2 (Комната 5)", "3"}));
  }
#endif

  // Tab and Shift+Tab reach every control past the table, each named; Space works a button.
  void keyboardReachesEveryControlByItsName() {
    window->show();
    QStringList missed = testing::unreached(*window, testing::tabWalk(*table)) +
                         testing::unreached(*window, testing::tabWalk(*table, true));
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(", ")));
    QVERIFY2(testing::unnamed(*window).isEmpty(), qPrintable(testing::unnamed(*window).join(", ")));
    table->selectRow(0);
    QString question;
    QTimer::singleShot(0, [&question] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      question = box->text();
      box->reject();
    });
    QTest::keyClick(window->findChild<QPushButton*>("TakeReferenceButton"), Qt::Key_Space);
    QVERIFY2(question.contains("Мышь 1"), qPrintable(question));
  }

 private:
  QStringList rowTexts(int row) const {
    QStringList texts;
    for (int column = 0; column < table->columnCount(); ++column) texts.append(table->item(row, column)->text());
    return texts;
  }
  // Coloured, and bold for the selected row.
  bool marked(int row) const {
    const QTableWidgetItem* item = table->item(row, table->columnCount() - 1);
    return item->background().style() != Qt::NoBrush && item->font().bold();
  }

  QTemporaryDir dir;
  std::filesystem::path path;
  std::unique_ptr<JournalWindow> window;
  QTableWidget* table = nullptr;
  journal::AlertShares shares;
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::JournalWindowTest)
#include "journal_window_test.moc"
