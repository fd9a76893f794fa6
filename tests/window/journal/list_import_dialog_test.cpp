// "Импорт списка животных": what a file would change is shown before anything changes; an
// empty cell keeps the saved value unless the user asks otherwise; a file with a refused
// line cannot be imported; "Импортировать" writes the whole change.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "journal/animal_list.h"
#include "journal/journal.h"
#include "session/journal_entry.h"
#include "window/journal/list_import_dialog.h"

namespace tarvelo::window {

class ListImportDialogTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir;
  std::filesystem::path path;

  QString listFile(const char* name, const QByteArray& text) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return {};
    return file.fileName();
  }
  // The preview's rows, "line|number|what|detail" each, once the file is read.
  static QStringList previewOf(ListImportDialog& dialog) {
    QAbstractItemModel* preview = dialog.findChild<QTableView*>("ListImportPreview")->model();
    QStringList rows;
    for (int row = 0; row < preview->rowCount(); ++row) {
      QStringList cells;
      for (int column = 0; column < preview->columnCount(); ++column) cells << preview->index(row, column).data().toString();
      rows << cells.join("|");
    }
    return rows;
  }
  std::vector<journal::Animal> kept() const {
    journal::OpenError error;
    return journal::animalList(*journal::Journal::openForReading(path, error));
  }

 private slots:
  void init() {
    path = std::filesystem::path(dir.filePath("журнал.sqlite").toStdU16String());
    link::Failure error;
    std::vector<journal::JournalRecord> held{
        session::animalRecord({"1", "К-1", "А", "самка", "2026-10-01", 21.0}, {}, QDateTime::currentDateTime())};
    QVERIFY(!journal::Journal::open(path, error)->appendAll(held));
  }

  void previewSaysWhatChangesAndTheImportWritesIt() {
    const QString file = listFile("список.csv", "№;Клетка;Группа;Вес, г;Штамм\n1;;А;22,5;x\n2;К-2;Б;;y\n");
    ListImportDialog dialog(file.toStdU16String(), path, {});
    auto* confirm = dialog.findChild<QAbstractButton*>("ListImportConfirm");
    QTRY_VERIFY(confirm->isEnabled());
    QCOMPARE(previewOf(dialog), (QStringList{"2|1|изменится|исходный вес, г: «21,00» → «22,50»", "3|2|добавится|"}));
    QVERIFY(dialog.findChild<QLabel*>("ListImportSummary")->text().contains("Не читаются столбцы: «Штамм»"));
    QCOMPARE(kept().size(), size_t{1});  // nothing written before "Импортировать"

    dialog.findChild<QCheckBox*>("ListImportClearEmpty")->setChecked(true);
    QTRY_VERIFY(confirm->isEnabled());
    QCOMPARE(previewOf(dialog).value(0), "2|1|изменится|клетка: «К-1» → «»; исходный вес, г: «21,00» → «22,50»");
    confirm->click();
    QTRY_VERIFY(dialog.outcome());
    QVERIFY(dialog.written());
    const std::vector<journal::Animal> list = kept();
    QCOMPARE(list.size(), size_t{2});
    QCOMPARE(list[0], (journal::Animal{"1", "", "А", "самка", "2026-10-01", 22.5}));
  }

  void aFileWithARefusedLineCannotBeImported() {
    const QString file = listFile("ошибка.csv", "№;Клетка\n3;К-3\n4;К-4;лишнее\n");
    ListImportDialog dialog(file.toStdU16String(), path, {});
    QTRY_COMPARE(previewOf(dialog).size(), 2);
    QCOMPARE(previewOf(dialog).value(1), "3||не принята|полей 3, а в заголовке 2");
    QVERIFY(!dialog.findChild<QAbstractButton*>("ListImportConfirm")->isEnabled());
  }
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::ListImportDialogTest)
#include "list_import_dialog_test.moc"
