// The main window as drawn in its Qt Designer form, before any start-up code runs:
// every control under its name and class, in its panel and stacking order, with its
// texts, items, initial visibility and enabled state, and the keyboard focus order.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>
#include <iterator>

#include "ui_main_form.h"

namespace {

struct Control {
  const char* name;
  const char* className;
  const char* parent;
  const char* text;  // caption, text, title, combo box text or spinner position
  bool shown;
  bool enabled;
};

// In creation order within each parent.
constexpr Control kControls[] = {
    {"Panel8", "QFrame", "Panel2", "", false, true},
    {"Label5", "QLabel", "Panel8", "Записываемые параметры:", true, true},
    {"FCheck", "QListWidget", "Panel8", "", true, true},
    {"Label7", "QLabel", "Panel8", "Обрабатывать", true, true},
    {"SizeEdit", "QLineEdit", "Panel8", "20", true, true},
    {"Label8", "QLabel", "Panel8", "измерений", true, true},
    {"ChPrPanel", "QFrame", "Panel2", "", false, true},
    {"Label11", "QLabel", "ChPrPanel", "Показать график для измерений:", true, true},
    {"Label12", "QLabel", "ChPrPanel", "с", true, true},
    {"StartNum", "QLineEdit", "ChPrPanel", "1", true, true},
    {"UpDown1", "QScrollBar", "ChPrPanel", "1", true, true},
    {"Label13", "QLabel", "ChPrPanel", "по", true, true},
    {"LastNum", "QLineEdit", "ChPrPanel", "2", true, true},
    {"UpDown2", "QScrollBar", "ChPrPanel", "2", true, true},
    {"ShowGraph", "QPushButton", "ChPrPanel", "Показать график", true, true},
    {"SaveGraph", "QPushButton", "ChPrPanel", "Сохранить график", true, true},
    {"PrintGraph", "QPushButton", "ChPrPanel", "Распечатать график", true, true},
    {"ChartPanel", "QFrame", "Panel2", "", false, true},
    {"Chart1", "tarvelo::window::LineChart", "ChartPanel", "", true, true},
    {"Panel10", "QFrame", "Panel2", "", false, true},
    {"FastWrite", "QCheckBox", "Panel10", "Скрытый режим", true, true},
    {"Label14", "QLabel", "Panel10", "Записывать в файл", true, true},
    {"FileNameEdit", "QLineEdit", "Panel10", "rs232.txt", true, false},
    {"ChoseFButton", "QPushButton", "Panel10", "Выбрать...", true, true},
    {"ChBox1", "QCheckBox", "Panel10", " Время работы программы, с :", true, false},
    {"WorkTime", "QLineEdit", "Panel10", "10", true, true},
    {"ChBox2", "QCheckBox", "Panel10", " Время работы (кол-во взвешиваний)", true, false},
    {"NumberWeightTime", "QLineEdit", "Panel10", "1000", true, true},
    {"Memo2", "QPlainTextEdit", "Panel2", "", true, true},
    {"DateTimePicker1", "QTimeEdit", "Panel2", "", false, false},
    {"Panel1", "QFrame", "Panel2", "", false, true},
    {"StabCB", "QCheckBox", "Panel1", "Принимать нестабильный вес", true, true},
    {"DStabCB", "QCheckBox", "Panel1", "Дополнительный контроль стабильности", true, true},
    {"MaxDWLabel", "QLabel", "Panel1", "Максимальное изменение веса ", true, false},
    {"MaxDW", "QLineEdit", "Panel1", "0,1", true, false},
    {"Label6", "QLabel", "Panel1", "ед.изм", true, false},
    {"MTimeLabel", "QLabel", "Panel1", "за время, с:", true, false},
    {"DWTime", "QLineEdit", "Panel1", "10", true, false},
    {"MWeightCB", "QCheckBox", "Panel1", "Принимать отрицательный вес", true, true},
    {"MinWCB", "QCheckBox", "Panel1", "Не принимать вес менее  ", true, true},
    {"MinimW", "QLineEdit", "Panel1", "0,001", true, false},
    {"Label9", "QLabel", "Panel1", "ед.изм", true, false},
    {"Panel3", "QFrame", "Panel2", "", false, true},
    {"RGr1", "QGroupBox", "Panel3", "Тип файла", true, true},
    {"RGr1Item0", "QRadioButton", "RGr1", "Excel", true, true},
    {"RGr1Item1", "QRadioButton", "RGr1", "Текстовый", true, true},
    {"RGr2", "QGroupBox", "Panel3", "Разделители", true, false},
    {"RGr2Item0", "QRadioButton", "RGr2", ";", true, true},
    {"RGr2Item1", "QRadioButton", "RGr2", "пробел", true, true},
    {"RGr2Item2", "QRadioButton", "RGr2", "табуляция", true, true},
    {"Panel5", "QFrame", "Panel2", "", true, true},
    {"Label00", "QLabel", "Panel5",
     "Аналитические, лабораторные, промышленные весы, прикладные программы", true, true},
    {"Label2", "QLabel", "Panel5", "Разработчик: Korvane", true, true},
    {"WStringGrid", "QTableWidget", "Panel2", "", false, true},
    {"TimeStringGrid", "QTableWidget", "Panel2", "", false, true},
    {"Panel4", "QFrame", "Panel2", "", true, true},
    {"Label4", "QLabel", "Panel4", "Последовательный порт связи:", true, true},
    {"Label15", "QLabel", "Panel4", "Интервал измерения, с:", true, true},
    {"Label16", "QLabel", "Panel4", "Наименование объекта:", true, true},
    {"Label19", "QLabel", "Panel4", "ФИО измеряющего:", true, true},
    {"Label17", "QLabel", "Panel4", "№ протокола / этикетки:", true, true},
    {"lBalInfo", "QLabel", "Panel4", "Весы:", true, true},
    {"Label1", "QLabel", "Panel4", "", false, true},
    {"Label3", "QLabel", "Panel4", "Период вывода информации, с:", false, true},
    {"MDLabel", "QLabel", "Panel4", "При изменении на более чем", false, false},
    {"Label10", "QLabel", "Panel4", "ед.изм", false, false},
    {"ComCB", "QComboBox", "Panel4", "", true, true},
    {"cbWTime", "QComboBox", "Panel4", "4", true, true},
    {"eUnit", "QLineEdit", "Panel4", "Мышь", true, true},
    {"AnimalLabel", "QLabel", "Panel4", "№ животного:", true, true},
    {"eAnimal", "QLineEdit", "Panel4", "", true, true},
    {"ePerson", "QLineEdit", "Panel4", "Иванов И.И.", true, true},
    {"eLabelNum", "QLineEdit", "Panel4", "ХХХХХХХХ", true, true},
    {"ComboBox1", "QComboBox", "Panel4", "0,5", false, true},
    {"MaxDif", "QLineEdit", "Panel4", "0,1", false, false},
    {"plButtons", "QFrame", "Panel2", "", true, true},
    {"WeightButton", "QPushButton", "plButtons", "Взвесить", true, true},
    {"StopButton", "QPushButton", "plButtons", "Прервать", false, true},
    {"ApplyButton1", "QPushButton", "plButtons", "Сохранить в файл", true, true},
    {"btnRemoveLastCycle", "QPushButton", "plButtons", "Удалить измерение", true, true},
    {"ClearButton", "QPushButton", "plButtons", "Очистить окно", true, true},
    {"btnPrint", "QPushButton", "plButtons", "Печать", true, true},
    {"Panel6", "QFrame", "Panel2", "", true, true},
    {"Label18", "QLabel", "Panel6", "Текущее измерение:", true, true},
    {"StrGrid1", "QTableWidget", "Panel6", "", true, true},
    {"Panel11", "QFrame", "Panel2", "", true, true},
    {"sgRes", "QTableWidget", "Panel11", "", true, true},
    {"sgTotal", "QTableWidget", "Panel11", "", true, true},
    {"AppButton", "QPushButton", "Panel11", "График", false, false},
    {"ReadButton", "QPushButton", "Panel11", "Взвесить", true, false},
};

const QStringList kTicked = {"MWeightCB", "RGr1Item0", "RGr2Item0"};

struct Grid {
  const char* name;
  int defaultColumnWidth;
  int rowHeight;
  const char* columnWidths;
  bool editable;
  bool wholeRows;
};

constexpr Grid kGrids[] = {
    {"StrGrid1", 60, 16, "47 62 49 55", false, false},
    {"sgRes", 60, 16, "60 76 121 60 94 81 124 120 220", false, true},
    {"sgTotal", 60, 16, "129 72 113 65 131 72", false, false},
    {"WStringGrid", 80, 18, "85", true, false},
    {"TimeStringGrid", 80, 18, "75", true, false},
};

QString textOf(const QWidget* widget) {
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  if (const auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  if (const auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->currentText();
  if (const auto* spinner = qobject_cast<const QScrollBar*>(widget))
    return QString::number(spinner->value());
  return {};
}

QStringList itemTexts(const QComboBox* combo) {
  QStringList texts;
  for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  return texts;
}

}  // namespace

class MainFormLayoutTest : public QObject {
  Q_OBJECT

 private:
  QMainWindow window;
  Ui::TMainForm ui;

  template <typename T = QWidget>
  T* control(const char* name) {
    auto* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) qWarning("no %s named %s", T::staticMetaObject.className(), name);
    return found;
  }

 private slots:
  void initTestCase() { ui.setupUi(&window); }

  void windowHoldsEverythingInPanel2() {
    QCOMPARE(window.windowTitle(), QString("Tarvelo.exe (Version U1.0.0)"));
    QCOMPARE(window.centralWidget(), ui.Panel2);
    QCOMPARE(ui.Panel2->minimumSize(), QSize(648, 418));
    QCOMPARE(ui.Panel2->maximumSize(), QSize(648, 418));
  }

  void everyControlHasItsClassParentTextAndState_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kControls)); ++i) QTest::newRow(kControls[i].name) << i;
  }

  void everyControlHasItsClassParentTextAndState() {
    QFETCH(int, index);
    const Control& expected = kControls[index];
    const QWidget* widget = control(expected.name);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->metaObject()->className(), expected.className);
    QCOMPARE(widget->parentWidget()->objectName(), QString(expected.parent));
    QCOMPARE(textOf(widget), QString::fromUtf8(expected.text));
    QCOMPARE(!widget->isHidden(), expected.shown);
    QCOMPARE(widget->isEnabledTo(widget->parentWidget()), expected.enabled);
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      QCOMPARE(button->isChecked(), kTicked.contains(expected.name));
    }
  }

  void laterControlsLieAboveEarlierOnes() {
    QMap<QString, QStringList> expectedOrder;
    for (const Control& expected : kControls) expectedOrder[expected.parent] << expected.name;
    for (auto [parentName, names] : expectedOrder.asKeyValueRange()) {
      QStringList actual;
      for (const QObject* child : control(qPrintable(parentName))->children()) {
        if (names.contains(child->objectName())) actual << child->objectName();
      }
      QCOMPARE(actual, names);
    }
  }

  void comboBoxesHoldTheirItemsAndHints() {
    QCOMPARE(ui.ComCB->count(), 0);
    QStringList seconds;
    for (int i = 1; i <= 15; ++i) seconds << QString::number(i);
    QCOMPARE(itemTexts(ui.cbWTime), seconds);
    QCOMPARE(itemTexts(ui.ComboBox1),
             QStringList({"0,2", "0,4", "0,6", "0,8", "1", "2", "3", "4", "вручную", "при новом"}));
    QVERIFY(!ui.ComCB->isEditable());
    QVERIFY(!ui.cbWTime->isEditable());
    QVERIFY(ui.ComboBox1->isEditable());
    QCOMPARE(ui.ComboBox1->maxVisibleItems(), 10);
    QCOMPARE(ui.StrGrid1->toolTip(), QString("Текущее измерение"));
    QCOMPARE(ui.ComboBox1->toolTip(),
             QString("Если у весов период обновления информации больше, чем выбранный, "
                     "данные будут выводиться по мере обновления."));
  }

  void recordedFieldsAreUncheckedCheckableItems() {
    const QStringList fields = {
        "порядковый номер записи", "время",       "вес",
        "единицы измерения",       "комментарии", "статистика (среднее, СКО, тренд)"};
    QCOMPARE(ui.FCheck->count(), fields.size());
    for (int i = 0; i < ui.FCheck->count(); ++i) {
      const QListWidgetItem* item = ui.FCheck->item(i);
      QCOMPARE(item->text(), fields[i]);
      QCOMPARE(item->checkState(), Qt::Unchecked);
      QVERIFY(item->flags().testFlag(Qt::ItemIsUserCheckable));
    }
  }

  void spinnersCountUpFromTheirMinimum() {
    QCOMPARE(ui.UpDown1->minimum(), 1);
    QCOMPARE(ui.UpDown2->minimum(), 2);
    for (const QScrollBar* spinner : {ui.UpDown1, ui.UpDown2}) {
      QCOMPARE(spinner->maximum(), 32767);
      QCOMPARE(spinner->orientation(), Qt::Vertical);
      QVERIFY(spinner->invertedControls());
    }
  }

  void gridsHaveTheirColumnsAndRows_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kGrids)); ++i) QTest::newRow(kGrids[i].name) << i;
  }

  // Designer keeps no per-column width, so the form carries the widths as the grid's
  // "columnWidths" property for the window to apply.
  void gridsHaveTheirColumnsAndRows() {
    QFETCH(int, index);
    const Grid& expected = kGrids[index];
    const auto* grid = control<QTableWidget>(expected.name);
    QVERIFY(grid != nullptr);
    const QStringList widths = QString(expected.columnWidths).split(' ');
    QCOMPARE(grid->columnCount(), widths.size());
    QCOMPARE(grid->property("columnWidths").toStringList(), widths);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->horizontalHeader()->defaultSectionSize(), expected.defaultColumnWidth);
    QCOMPARE(grid->rowHeight(0), expected.rowHeight);
    QVERIFY(grid->horizontalHeader()->isHidden());
    QVERIFY(grid->verticalHeader()->isHidden());
    QCOMPARE(grid->editTriggers() != QAbstractItemView::NoEditTriggers, expected.editable);
    QCOMPARE(grid->selectionBehavior() == QAbstractItemView::SelectRows, expected.wholeRows);
  }

  void bannerIsBlueAndLarger() {
    QCOMPARE(window.font().pointSize(), 8);
    QCOMPARE(ui.Label00->font().pointSize(), 10);
    QVERIFY(ui.Label00->font().bold());
    QCOMPARE(ui.Label2->font().pointSize(), 11);
    QVERIFY(!ui.Label2->font().bold());
    for (const QLabel* label : {ui.Label00, ui.Label2}) {
      QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
    }
  }

  void focusMovesThroughTheVisibleInputsInOrder() {
    const QStringList expected = {"ComCB",       "cbWTime",      "eUnit",      "eAnimal",    "ePerson",
                                  "eLabelNum",   "sgRes",        "sgTotal",    "ApplyButton1",
                                  "ClearButton", "WeightButton", "StopButton", "btnRemoveLastCycle",
                                  "btnPrint",    "StrGrid1"};
    QStringList order;
    QWidget* widget = ui.ComCB;
    do {
      if (expected.contains(widget->objectName())) order << widget->objectName();
      widget = widget->nextInFocusChain();
    } while (widget != ui.ComCB);
    QCOMPARE(order, expected);
  }

  void helpIsTheOnlyMenuItemAndCloseWaitsForTheTray() {
    QCOMPARE(window.menuBar(), ui.MainMenu1);
    QCOMPARE(ui.MainMenu1->actions(), QList<QAction*>({ui.N1}));
    QCOMPARE(ui.N1->text(), QString("Справка"));
    QVERIFY(ui.N1->menu() == nullptr);
    QCOMPARE(ui.N2->text(), QString("Закрыть"));
    QVERIFY(ui.N2->associatedObjects().isEmpty());
  }
};

QTEST_MAIN(MainFormLayoutTest)
#include "main_form_layout_test.moc"
