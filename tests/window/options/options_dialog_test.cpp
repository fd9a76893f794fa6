// "Параметры…" and "График": the panels out of sight, moved into windows of their own.
#include "window/options/options_dialog.h"
#include "window/options/port_picker_panel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>
#include <QScrollArea>
#include <QTimer>
#include <functional>

#include "window/widgets/line_chart.h"
#include "window/main/main_form.h"
#include "settings/settings_store.h"
#include "tests/support/keyboard_checks.h"
#include "tests/support/settings_sandbox.h"
#include "tests/support/simulator_process.h"
#include "session/weighing_session.h"

namespace tarvelo::window {

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    settings = std::make_unique<testing::SettingsSandbox>();
    form = std::make_unique<TMainForm>(settings::makeSettingsStore(), "Tarvelo",
                                       StartOptions{StartMode::AsStored, [] { return true; }});
    form->Timer1Timer();
    // Runs search a port whose device is missing, never a real one.
    missingPort = std::make_unique<testing::MissingPort>(kMissingCom);
    child<QComboBox>("ComCB")->setCurrentIndex(kMissingCom - 1);
  }
  void cleanup() {
    form.reset();
    missingPort.reset();
    settings.reset();
    dir.reset();
  }

  void panelsLiveInTheirWindowsUnderTheirNames() {
    auto* dialog = form->findChild<OptionsDialog*>();
    for (const char* name : {"Panel1", "Panel10", "Panel8", "Panel3", "MaxDW", "FastWrite", "FCheck",
                             "RGr1", "ComboBox1", "MaxDif", "MDLabel"}) {
      QCOMPARE(child<QWidget>(name)->window(), dialog);
    }
    for (const char* name : {"ChPrPanel", "ChartPanel", "Chart1", "ShowGraph"}) {
      QCOMPARE(child<QWidget>(name)->window()->objectName(), QString("GraphWindow"));
    }
    const QList<QAction*> menu = form->menuBar()->actions();
    QCOMPARE(menu.size(), 5);
    QCOMPARE(menu[0]->text(), QString("Параметры…"));
    QCOMPARE(menu[1]->text(), QString("График"));
    QCOMPARE(menu[2]->text(), QString("Журнал"));
    QCOMPARE(menu[3]->text(), QString("Список животных"));
    QCOMPARE(menu[4]->text(), QString("Справка"));
    QVERIFY(menu[0]->isEnabled());
    QVERIFY2(!menu[1]->isEnabled(), "no readings yet");
  }

  void cancelPutsBackWhatTheDialogShowed() {
    const bool minimum = child<QCheckBox>("MinWCB")->isChecked();
    const QString size = child<QLineEdit>("SizeEdit")->text();
    const bool excel = child<QRadioButton>("RGr1Item0")->isChecked();
    const Qt::CheckState statistics =
        child<QListWidget>("FCheck")->item(kStatisticsItem)->checkState();
    inDialog([](QDialog* dialog) {
      child<QCheckBox>(dialog, "MinWCB")->toggle();
      child<QLineEdit>(dialog, "SizeEdit")->setText("7");
      child<QRadioButton>(dialog, "RGr1Item1")->setChecked(true);
      child<QListWidget>(dialog, "FCheck")->item(kStatisticsItem)->setCheckState(Qt::Checked);
      press(dialog, QDialogButtonBox::Cancel);
    });
    QCOMPARE(child<QCheckBox>("MinWCB")->isChecked(), minimum);
    QCOMPARE(child<QLineEdit>("MinimW")->isEnabled(), minimum);  // the handler ran
    QCOMPARE(child<QLineEdit>("SizeEdit")->text(), size);
    QCOMPARE(child<QRadioButton>("RGr1Item0")->isChecked(), excel);
    QCOMPARE(child<QListWidget>("FCheck")->item(kStatisticsItem)->checkState(), statistics);
  }

  void okWritesTheSettingsAtOnce() {
    inDialog([](QDialog* dialog) {
      child<QCheckBox>(dialog, "MinWCB")->setChecked(true);
      child<QLineEdit>(dialog, "MinimW")->setText("2,5");
      child<QLineEdit>(dialog, "AlertShareEdit")->setText("75");
      // A password is refused where it is typed, with the password file's line instead.
      child<QLineEdit>(dialog, "LabServer")->setText("host=lab port=5433 dbname=lab user=k1 password=секрет");
      const QString said = child<QLabel>(dialog, "LabServerState")->text();
      QVERIFY2(said.endsWith("строкой lab:5433:lab:k1:ПАРОЛЬ"), qPrintable(said));
      press(dialog, QDialogButtonBox::Ok);
    });
    const auto stored = settings::makeSettingsStore();  // as another program would read them, the window still open
    QVERIFY(stored->open("Tarvelo"));
    QCOMPARE(stored->ReadText("MinimWeight", {}), std::string("2,5"));
    QCOMPARE(stored->ReadText("JournalAlertShare", {}), std::string("75"));
    QCOMPARE(stored->ReadText("LabServer", "не записан"), std::string());
  }

  void fieldThatIsNotANumberIsNamedAndKeepsTheDialogOpen() {
    QStringList messages;
    const auto answerer = answerEveryBox(messages);
    bool openAfterOk = false;
    inDialog([&](QDialog* dialog) {
      // A disabled field is not read: its text does not hold the dialog.
      child<QCheckBox>(dialog, "DStabCB")->setChecked(false);
      child<QLineEdit>(dialog, "MaxDW")->setText("x");
      child<QCheckBox>(dialog, "MinWCB")->setChecked(true);
      child<QLineEdit>(dialog, "MinimW")->setText("abc");
      press(dialog, QDialogButtonBox::Ok);
      openAfterOk = dialog->isVisible();
      QVERIFY(!child<QLineEdit>(dialog, "MinimW")->styleSheet().isEmpty());
      child<QLineEdit>(dialog, "MinimW")->setText("1");
      press(dialog, QDialogButtonBox::Ok);
    });
    QCOMPARE(messages, QStringList{"Не принимать вес менее: «abc» не является допустимым числом."});
    QVERIFY(openAfterOk);
    QVERIFY(child<QLineEdit>("MinimW")->styleSheet().isEmpty());
  }

  // Every reading is compared with "При изменении на более чем", whatever the period, so
  // the dialog reads it while it is disabled; and a threshold shows whole in its field.
  void leastChangeIsCheckedInEveryPeriodAndThresholdsShowWhole() {
    child<QLineEdit>("MaxDW")->setText("0,001");
    QString message;
    bool openAfterOk = false;
    int shownWidth = 0;
    int fieldRoom = 0;
    inDialog([&](QDialog* dialog) {
      auto* maxDW = child<QLineEdit>(dialog, "MaxDW");
      shownWidth = maxDW->fontMetrics().horizontalAdvance(maxDW->text());
      QStyleOptionFrame option;
      option.initFrom(maxDW);
      fieldRoom = maxDW->style()->subElementRect(QStyle::SE_LineEditContents, &option, maxDW).width();
      child<QComboBox>(dialog, "ComboBox1")->setCurrentText("1");
      QVERIFY(!child<QLineEdit>(dialog, "MaxDif")->isEnabled());
      child<QLineEdit>(dialog, "MaxDif")->setText("x");
      answerNextBox(message);
      press(dialog, QDialogButtonBox::Ok);
      openAfterOk = dialog->isVisible();
    });
    QCOMPARE(message, QString("При изменении на более чем: «x» не является допустимым числом."));
    QVERIFY(openAfterOk);
    QVERIFY2(shownWidth < fieldRoom, qPrintable(QString("%1 of %2").arg(shownWidth).arg(fieldRoom)));
  }

  // A number that makes no sense is refused like a word, the field named with what it takes;
  // "Отмена" then keeps what was stored.
  void numbersOutsideTheirRangeAreRefused() {
    QStringList messages;
    const auto answerer = answerEveryBox(messages);
    inDialog([&](QDialog* dialog) {
      child<QCheckBox>(dialog, "HandsFreeCB")->setChecked(true);  // its fields are read only then
      for (const auto& [name, text] : {std::pair{"AlertShareEdit", "150"}, {"AlertShareEdit", "0"},
                                       {"HandsFreeThreshold", "-1"}, {"HandsFreePause", "99999"}}) {
        child<QLineEdit>(dialog, name)->setText(text);
        press(dialog, QDialogButtonBox::Ok);
        QVERIFY(dialog->isVisible());
        child<QLineEdit>(dialog, name)->setText(name == std::string("AlertShareEdit") ? "85" : "1");
      }
      press(dialog, QDialogButtonBox::Cancel);
    });
    QCOMPARE(messages.mid(0, 2), QStringList({"Предупреждать, если вес ниже, % от исходного: «150» вне допустимого: нужно число от 1 до 100.",
                                             "Предупреждать, если вес ниже, % от исходного: «0» вне допустимого: нужно число от 1 до 100."}));
    QVERIFY2(messages.value(2).startsWith("Порог начала, г: «-1» вне допустимого: нужно число больше 0"), qPrintable(messages.value(2)));
    QCOMPARE(messages.value(3), QString("Пауза после снятия, с: «99999» вне допустимого: нужно число от 0 до 300."));
    QCOMPARE(child<QLineEdit>("AlertShareEdit")->text(), QString("85"));
  }

  // On a screen smaller than its sections (the offscreen one is 800 × 600) the dialog lies
  // inside the screen's free area with OK in sight, and its sections scroll.
  void dialogFitsTheScreenWithOkInSight() {
    QRect screen;
    QRect frame;
    QRect ok;
    QSize wanted;
    inDialog([&](QDialog* dialog) {
      screen = dialog->screen()->availableGeometry();
      frame = dialog->frameGeometry();
      auto* okButton = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
      ok = QRect(okButton->mapToGlobal(QPoint(0, 0)), okButton->size());
      wanted = dialog->findChild<QScrollArea*>("OptionsScroll")->widget()->sizeHint();
    });
    qInfo("options dialog: %d x %d on a %d x %d screen; its sections %d x %d", frame.width(), frame.height(),
          screen.width(), screen.height(), wanted.width(), wanted.height());
    QVERIFY2(screen.contains(frame), qPrintable(QString("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    QVERIFY(screen.contains(ok));
  }

  // Tab and Shift+Tab reach every control of the dialog and of the graph window, each named
  // for a screen reader; Space works the control in focus.
  void keyboardReachesEveryControlByItsName() {
    QStringList missed;
    QStringList nameless;
    bool ticked = false;
    inDialog([&](QDialog* dialog) {
      // A device chosen for the balance and the tag reader: their buttons are on.
      for (auto* devices : dialog->findChildren<QListWidget*>("PortDevices")) devices->setCurrentRow(0);
      QWidget& first = *testing::tabStops(*dialog).first();
      missed = testing::unreached(*dialog, testing::tabWalk(first)) + testing::unreached(*dialog, testing::tabWalk(first, true));
      nameless = testing::unnamed(*dialog);
      auto* box = child<QCheckBox>("MinWCB");
      const bool before = box->isChecked();
      box->setFocus(Qt::TabFocusReason);
      QTest::keyClick(box, Qt::Key_Space);
      ticked = box->isChecked() != before;
    });
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(", ")));
    QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(", ")));
    QVERIFY(ticked);
    form->AppButtonClick();
    QWidget& graph = *form->findChild<QWidget*>("GraphWindow");
    QVERIFY(QTest::qWaitForWindowActive(&graph));
    QWidget& first = *testing::tabStops(graph).first();
    missed = testing::unreached(graph, testing::tabWalk(first)) + testing::unreached(graph, testing::tabWalk(first, true));
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(", ")));
    QVERIFY2(testing::unnamed(graph).isEmpty(), qPrintable(testing::unnamed(graph).join(", ")));
  }

  void wholeNumberFieldRefusesADecimal() {
    QString message;
    inDialog([&message](QDialog* dialog) {
      child<QLineEdit>(dialog, "SizeEdit")->setText("2,5");
      answerNextBox(message);
      press(dialog, QDialogButtonBox::Ok);
    });
    QCOMPARE(message, QString("Обрабатывать … измерений: «2,5» не является допустимым числом."));
  }

  void hiddenModeIsStartedOnlyWhenTheUserSaysSo() {
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
      QString question;
      inDialog([&](QDialog* dialog) {
        child<QCheckBox>(dialog, "FastWrite")->setChecked(true);
        child<QLineEdit>(dialog, "FileNameEdit")->setText(this->dir->filePath("log.txt"));
        QTimer::singleShot(0, [&] {
          auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
          question = box->text();
          box->button(answer)->click();
        });
        press(dialog, QDialogButtonBox::Ok);
      });
      QVERIFY2(question.startsWith("Скрытый режим: окно будет скрыто"), qPrintable(question));
      QCOMPARE(child<QPushButton>("WeightButton")->isHidden(), answer == QMessageBox::Yes);
      QCOMPARE(form->isVisible(), answer == QMessageBox::No);
    }
    form->StopButtonClick();
  }

  // Hands-free weighing arms at "OK" only when the objects have a name; the dialog stops
  // it while open, "Отмена" leaves it as it was, an unticked box at "OK" ends it.
  void handsFreeArmsAtOkAndGivesWayToTheDialog() {
    QStringList messages;
    const auto answerer = answerEveryBox(messages);
    const auto tick = [this](bool on, QDialogButtonBox::StandardButton button) {
      inDialog([=](QDialog* dialog) {
        child<QCheckBox>(dialog, "HandsFreeCB")->setChecked(on);
        press(dialog, button);
      });
    };
    child<QLineEdit>("eUnit")->clear();
    tick(true, QDialogButtonBox::Ok);
    QVERIFY(!form->session().running());
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains("наименование объекта"), qPrintable(messages[0]));

    child<QLineEdit>("eUnit")->setText("Мышь");
    tick(true, QDialogButtonBox::Ok);
    QVERIFY(form->session().watchingPan());
    QVERIFY(child<QPushButton>("WeightButton")->isHidden());
    QVERIFY(form->findChild<QAction*>("OptionsAction")->isEnabled());
    bool runDuringDialog = true;
    inDialog([&](QDialog* dialog) {
      runDuringDialog = form->session().running();
      press(dialog, QDialogButtonBox::Cancel);
    });
    QVERIFY(!runDuringDialog);
    QVERIFY2(form->session().watchingPan(), "as it was before the dialog");

    form->StopButtonClick();
    tick(true, QDialogButtonBox::Cancel);
    QVERIFY2(!form->session().running(), "stopped by the operator, and left so");

    tick(true, QDialogButtonBox::Ok);
    QVERIFY(form->session().watchingPan());
    tick(false, QDialogButtonBox::Ok);
    QVERIFY(!form->session().running());
    QVERIFY(!child<QPushButton>("WeightButton")->isHidden());
    QCOMPARE(messages.size(), 1);
  }

  // A device chosen in the list becomes the port's, and the panel says so.
  void chosenDeviceIsLinkedToThePort() {
#ifdef _WIN32
    QSKIP("Windows names its ports itself: nothing is linked");
#else
    const QDir configHome(QString::fromStdString(settings->configHome().string()));
    const QString devices = dir->filePath("dev");
    QDir().mkpath(devices);
    QFile(devices + "/ttyUSB0").open(QIODevice::WriteOnly);
    int selected = 0;
    PortPickerPanel panel([] { return kPickedCom; }, [&selected](int port) { selected = port; },
                          {dir->filePath("by-id").toStdString(), devices.toStdString()});
    auto* list = child<QListWidget>(&panel, "PortDevices");
    QCOMPARE(list->count(), 1);
    list->setCurrentRow(0);
    child<QPushButton>(&panel, "PortLinkButton")->click();
    QCOMPARE(QFile::symLinkTarget(configHome.filePath("Korvane/Tarvelo/ports/COM12")), devices + "/ttyUSB0");
    QCOMPARE(selected, kPickedCom);
    QVERIFY(panel.findChild<QLabel*>()->text().startsWith("COM12 связан с "));
#endif
  }

  void graphWindowShowsTheChartAndGrowsIt() {
    form->AppButtonClick();
    QWidget* window = form->findChild<QWidget*>("GraphWindow");
    QVERIFY(window->isVisible());
    auto* chart = child<LineChart>("Chart1");
    QVERIFY(chart->isVisible());
    QVERIFY(window->rect().contains(chart->geometry()));
    const QSize before = chart->size();
    window->resize(window->size() + QSize(200, 150));
    QCoreApplication::processEvents();
    QCOMPARE(chart->size(), before + QSize(200, 150));
  }

 private:
  static constexpr int kStatisticsItem = 5;
  static constexpr int kAnswerMs = 10;
  static constexpr int kMissingCom = 21;
  static constexpr int kPickedCom = 12;

  template <typename T>
  static T* child(QObject* parent, const char* name) {
    auto* widget = parent->findChild<T*>(name);
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
  }
  template <typename T>
  T* child(const char* name) const {
    return child<T>(form.get(), name);
  }
  // Accepts the message box the next step opens, keeping its text.
  static void answerNextBox(QString& text) {
    QTimer::singleShot(0, [&text] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      text = box->text();
      box->accept();
    });
  }
  // Accepts every message box while it lives, keeping their texts.
  static std::unique_ptr<QTimer> answerEveryBox(QStringList& texts) {
    auto answerer = std::make_unique<QTimer>();
    answerer->callOnTimeout([&texts] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts.append(box->text());
        box->accept();
      }
    });
    answerer->start(kAnswerMs);
    return answerer;
  }
  static void press(QDialog* dialog, QDialogButtonBox::StandardButton button) {
    dialog->findChild<QDialogButtonBox*>()->button(button)->click();
  }
  // Opens "Параметры…" and has `act` work in the dialog; a dialog `act` left open is cancelled.
  void inDialog(const std::function<void(QDialog*)>& act) {
    QTimer::singleShot(0, [act] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      act(dialog);
      if (dialog->isVisible()) press(dialog, QDialogButtonBox::Cancel);
    });
    form->OptionsClick();
  }

  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<testing::SettingsSandbox> settings;
  std::unique_ptr<testing::MissingPort> missingPort;
  std::unique_ptr<TMainForm> form;
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::OptionsDialogTest)
#include "options_dialog_test.moc"
