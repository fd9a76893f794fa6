#include "window/widgets/input_guards.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

namespace tarvelo::window {

class InputGuardsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    window = new QWidget;
    auto* layout = new QVBoxLayout(window);
    for (auto** edit : {&decimal, &digits, &fileName, &other}) {
      *edit = new QLineEdit(window);
      layout->addWidget(*edit);
    }
    decimal->setText("0,1");
    digits->setText("20");
    fileName->setText("rs232.txt");
    selectOnly = new QComboBox(window);
    selectOnly->addItems({"1", "2", "3"});
    editableCombo = new QComboBox(window);
    editableCombo->setEditable(true);
    editableCombo->addItems({"0,2", "вручную"});
    editableCombo->setCurrentText("0");
    layout->addWidget(selectOnly);
    layout->addWidget(editableCombo);
    guards = new InputGuards(window);
    beeps = 0;
    guards->setBeep([this] { ++beeps; });
    guards->guard(decimal, KeyFilter::Decimal, true);
    guards->guard(digits, KeyFilter::Digits, true);
    guards->guard(fileName, KeyFilter::None, true);
    guards->guard(selectOnly, KeyFilter::SelectOnly, false);
    guards->guard(editableCombo, KeyFilter::Decimal, true);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
  }
  void cleanup() { delete window; }

  void decimalFieldTakesDigitsSeparatorsAndBackspace() {
    decimal->setFocus();
    decimal->end(false);
    QTest::keyClicks(decimal, "5.3,7");
    QCOMPARE(decimal->text(), QString("0,15.3,7"));
    QTest::keyClick(decimal, Qt::Key_Backspace);
    QCOMPARE(decimal->text(), QString("0,15.3,"));
    QCOMPARE(beeps, 0);
  }

  void refusedKeysBeepAndChangeNothing() {
    decimal->setFocus();
    decimal->end(false);
    QTest::keyClicks(decimal, "a -");
    QTest::keyClick(decimal, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(decimal, Qt::Key_Return);
    QTest::keyClick(decimal, Qt::Key_Escape);
    QCOMPARE(decimal->text(), QString("0,1"));
    QCOMPARE(beeps, 6);

    digits->setFocus();
    digits->end(false);
    QTest::keyClicks(digits, ".,5");
    QCOMPARE(digits->text(), QString("205"));
    QCOMPARE(beeps, 8);
  }

  void keysWithoutACharacterKeepTheirEffect() {
    decimal->setFocus();
    decimal->end(false);
    QTest::keyClick(decimal, Qt::Key_Home);
    QTest::keyClick(decimal, Qt::Key_Delete);
    QCOMPARE(decimal->text(), QString(",1"));
    QTest::keyClick(decimal, Qt::Key_Tab);
    QVERIFY(!decimal->hasFocus());
    QCOMPARE(beeps, 0);
  }

  void selectOnlyBoxRefusesTypingButNotArrows() {
    selectOnly->setFocus();
    QTest::keyClicks(selectOnly, "3");
    QCOMPARE(selectOnly->currentIndex(), 0);
    QCOMPARE(beeps, 1);
    QTest::keyClick(selectOnly, Qt::Key_Down);
    QCOMPARE(selectOnly->currentIndex(), 1);
  }

  void emptiedFieldGetsItsTextBackOnExit() {
    decimal->setFocus();
    QSignalSpy changed(decimal, &QLineEdit::textChanged);
    decimal->clear();
    other->setFocus();
    QCOMPARE(decimal->text(), QString("0,1"));
    QCOMPARE(changed.count(), 2);  // the restore is a change like the user's

    fileName->setFocus();
    fileName->setText(" ");
    other->setFocus();
    QCOMPARE(fileName->text(), QString(" "));  // only an exactly empty text is restored
  }

  void theBufferIsSharedAndOverwrittenOnEachEntry() {
    decimal->setFocus();
    digits->setFocus();
    QCOMPARE(guards->savedFieldText(), QString("20"));
    digits->clear();
    other->setFocus();
    QCOMPARE(digits->text(), QString("20"));
  }

  void editableComboIsFilteredAndRestored() {
    editableCombo->setFocus();
    QTest::keyClicks(editableCombo, "x5");
    QCOMPARE(editableCombo->currentText(), QString("05"));
    QCOMPARE(beeps, 1);
    editableCombo->setCurrentText("");
    other->setFocus();
    QCOMPARE(editableCombo->currentText(), QString("0"));
  }

 private:
  QWidget* window = nullptr;
  QLineEdit* decimal = nullptr;
  QLineEdit* digits = nullptr;
  QLineEdit* fileName = nullptr;
  QLineEdit* other = nullptr;
  QComboBox* selectOnly = nullptr;
  QComboBox* editableCombo = nullptr;
  InputGuards* guards = nullptr;
  int beeps = 0;
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::InputGuardsTest)
#include "input_guards_test.moc"
