// The hidden logging mode with the real window against the balance simulator.
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QFileInfo>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "window/main/main_form.h"
#include "settings/settings_store.h"
#include "tests/support/settings_sandbox.h"
#include "session/weighing_session.h"
#include "link/protocol_memory.h"
#include "tests/support/simulator_process.h"

namespace tarvelo::window {

namespace {

constexpr int kCom = 24;
constexpr int kRunMs = 20'000;

// Counts the main window's close events: closing it is how a hidden run ends the program.
class CloseCounter : public QObject {
 public:
  int closes = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close && qobject_cast<TMainForm*>(watched) != nullptr) ++closes;
    return false;
  }
};

}  // namespace

class HiddenModeTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qApp->installEventFilter(&counter); }

  void init() {
    counter.closes = 0;
    logDir = std::make_unique<QTemporaryDir>();
    logFile = logDir->filePath("журнал.txt");
  }
  void cleanup() {
    form.reset();
    simulator.reset();
  }

  void hiddenStartLogsThreeLinesAndEnds() {
    startBalance();
    storeHiddenSettings({{"bNumOfWeighings", 1}});
    form = makeForm();
    QVERIFY(form->hiddenStart());
    QVERIFY(!form->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(counter.closes, 1, kRunMs);
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 3);
    for (int i = 0; i < 3; ++i) {
      QVERIFY2(QRegularExpression(QString("^%1\\t\\d\\d:\\d\\d:\\d\\d\\t25,5\\t  g\\tстаб\\.$").arg(i + 1))
                   .match(lines[i]).hasMatch(),
               qPrintable(lines[i]));
    }
  }

  // A fresh profile searches BM first; TSK and B balances must still be found well
  // inside the 15 s no-balance limit.
  void hiddenRunFindsBalancesSearchedAfterBm_data() {
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<int>("remembered");
    QTest::newRow("TSK") << "tsk" << int{link::ProtocolTsk};
    QTest::newRow("B") << "b" << int{link::ProtocolB};
  }
  void hiddenRunFindsBalancesSearchedAfterBm() {
    QFETCH(QString, protocol);
    QFETCH(int, remembered);
    startBalance(protocol.toStdString());
    storeHiddenSettings({{"bNumOfWeighings", 1}});
    const auto store = settings::makeSettingsStore();
    QVERIFY(store->create("Tarvelo"));
    store->WriteNumber("ProtocolCOM" + std::to_string(kCom), link::ProtocolBm);
    form = makeForm();
    QTRY_COMPARE_WITH_TIMEOUT(counter.closes, 1, kRunMs);
    const QStringList lines = logLines();
    QCOMPARE(lines.size(), 3);
    for (int i = 0; i < 3; ++i) QVERIFY2(lines[i].startsWith(QString::number(i + 1) + "\t"), qPrintable(lines[i]));
    QCOMPARE(store->ReadNumber("ProtocolCOM" + std::to_string(kCom), -1), remembered);
  }

  // Without a notification area the window could never come back: it stays shown,
  // says why, and the run logs as a hidden run does.
  void hiddenStartWithoutTrayKeepsTheWindowShown() {
    startBalance();
    storeHiddenSettings({{"bNumOfWeighings", 1}});
    form = makeForm(false);
    QVERIFY(form->isVisible());
    auto* status = form->findChild<QStatusBar*>();
    QVERIFY(status != nullptr && status->currentMessage().contains(QFileInfo(logFile).fileName()));
    QVERIFY(status->currentMessage().endsWith("нет области уведомлений."));
    QVERIFY(status->fontMetrics().horizontalAdvance(status->currentMessage()) < form->width());
    QTRY_COMPARE_WITH_TIMEOUT(counter.closes, 1, kRunMs);
    QCOMPARE(logLines().size(), 3);
  }

  void showOptionStartsWithTheWindowWhateverIsStored() {
    storeHiddenSettings({});
    form = makeForm(true, StartMode::ShowWindow);
    QVERIFY(!form->hiddenStart());
    QVERIFY(!form->session().running());
    QVERIFY(form->timer1().isActive());  // the splash, then the window
  }

  // Stored settings that cannot start a run leave the window shown, to mend them.
  void hiddenStartThatCannotStartShowsTheWindow_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("statistics window out of range") << "SizeOfMassive" << "5000" << "Допустимое значение числа от 1 до 1000";
    QTest::newRow("line limit not a number")
        << "NumberWeightTime" << "abc" << "«abc» в поле «Время работы (кол-во взвешиваний)» не является допустимым числом.";
    QTest::newRow("line limit 0") << "NumberWeightTime" << "0"
                                  << "«0» в поле «Время работы (кол-во взвешиваний)»: допустимо от 1 до 2147483647.";
    QTest::newRow("line limit below 0") << "NumberWeightTime" << "-3"
                                        << "«-3» в поле «Время работы (кол-во взвешиваний)»: допустимо от 1 до 2147483647.";
    for (const char* time : {"0", "-1", "1e10", "0,0001"}) {
      QTest::newRow(qPrintable(QString("working time %1").arg(time)))
          << "strWorkTime" << time
          << QString("«%1» в поле «Время работы программы, с :»: допустимо от 0,001 до 1000000000.").arg(time);
    }
    QTest::newRow("working time not a number")
        << "strWorkTime" << "inf" << "«inf» в поле «Время работы программы, с :» не является допустимым числом.";
  }
  void hiddenStartThatCannotStartShowsTheWindow() {
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, message);
    startBalance();
    storeHiddenSettings({{"bNumOfWeighings", 1}, {"bTimeOfWeighing", 1}});
    const auto store = settings::makeSettingsStore();
    QVERIFY(store->create("Tarvelo"));
    if (name == "SizeOfMassive") {
      store->WriteNumber(name.toStdString(), value.toInt());
    } else {
      store->WriteText(name.toStdString(), value.toStdString());
    }
    QString shown;
    QTimer::singleShot(0, [&shown] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      shown = box->text();
      box->accept();
    });
    form = makeForm();
    QCOMPARE(shown, message);
    QVERIFY(form->isVisible());
    QVERIFY(!form->session().running());
    QVERIFY(!QFile::exists(logFile));
  }

  void workingTimeEndsTheRunAfterABlankFirstLine() {
    startBalance();
    storeHiddenSettings({{"bTimeOfWeighing", 1}});
    form = makeForm();
    QTRY_COMPARE_WITH_TIMEOUT(counter.closes, 1, kRunMs);
    const QStringList lines = logLines();
    QVERIFY(lines.size() >= 3);  // the blank line, then a line a tick for 1,5 s
    QCOMPARE(lines.front(), QString(" "));
    QVERIFY(lines[1].startsWith("1\t"));
    QVERIFY(lines.back().startsWith(QString::number(lines.size() - 1) + "\t"));
  }

  void noBalanceWritesItsFileAndEnds() {
    storeHiddenSettings({});
    form = makeForm();
    form->StopButtonClick();  // the start-up run, against the default limit
    form->session().setNoBalanceTimeout(500);
    form->WeightButtonClick();
    QTRY_COMPARE_WITH_TIMEOUT(counter.closes, 1, kRunMs);
    QFile file(logFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("no balance detected\0", 20));
  }

  // Nobody may be there to close a box: the run ends the program by itself.
  void logThatCannotBeWrittenEndsTheProgramWithoutABox() {
    startBalance();
    logFile = logDir->path();  // a folder: no file can be written there
    storeHiddenSettings({});
    int boxes = 0;
    QTimer watch;
    watch.callOnTimeout([&] {
      if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        ++boxes;
        box->reject();
      }
    });
    watch.start(20);
    form = makeForm();
    QTRY_COMPARE_WITH_TIMEOUT(counter.closes, 1, kRunMs);
    QCOMPARE(form->exitStatus(), 1);
    QVERIFY(!form->session().running());
    QCOMPARE(boxes, 0);
  }

  void linesSurviveTheProgramClosedMidRun() {
    startBalance();
    storeHiddenSettings({});
    form = makeForm();
    QTRY_VERIFY_WITH_TIMEOUT(logLines().size() >= 3, kRunMs);
    form.reset();  // "Закрыть" from the tray: no saving ending runs
    const QStringList lines = logLines();
    QCOMPARE(lines.front(), QString(" "));
    for (int i = 1; i < lines.size(); ++i) QVERIFY2(lines[i].startsWith(QString::number(i) + "\t"), qPrintable(lines[i]));
  }

 private:
  // The window on a desktop with a notification area, unless told otherwise.
  static std::unique_ptr<TMainForm> makeForm(bool trayAvailable = true,
                                             StartMode mode = StartMode::AsStored) {
    return std::make_unique<TMainForm>(settings::makeSettingsStore(), "Tarvelo",
                                       StartOptions{mode, [trayAvailable] { return trayAvailable; }});
  }

  void startBalance(const std::string& protocol = "bm") {
    simulator = std::make_unique<testing::SimulatorProcess>(
        kCom, std::vector<std::string>{"--protocol", protocol, "--weight", "25.5", "--noise", "0", "--unstable-every",
                                       "0", "--unstable-step", "0"});
  }

  // The hidden mode stored as on, logging into logFile from the simulator's port.
  void storeHiddenSettings(std::initializer_list<std::pair<const char*, int>> flags) {
    const auto store = settings::makeSettingsStore();
    QVERIFY(store->create("Tarvelo"));
    store->WriteFlag("HideProfile", 1);
    store->WriteFlag("bNumOfWeighings", 0);
    store->WriteFlag("bTimeOfWeighing", 0);
    for (const auto& [name, value] : flags) store->WriteFlag(name, static_cast<uint8_t>(value));
    store->WriteNumber("COM", kCom - 1);
    store->WriteText("NumberWeightTime", "3");
    store->WriteText("strWorkTime", "1,5");
    store->WriteText("SpeedWorkFileName", logFile.toStdString());
  }

  // The log's lines, each of which must end in CR LF.
  QStringList logLines() const {
    QFile file(logFile);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromLocal8Bit(file.readAll());  // the system's 8-bit text, as written
    if (text.isEmpty()) return {};
    if (!text.endsWith("\r\n")) return {"(no CR LF at the end)"};
    return text.chopped(2).split("\r\n");
  }

  const testing::SettingsSandbox settings;
  CloseCounter counter;
  std::unique_ptr<QTemporaryDir> logDir;
  QString logFile;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<testing::SimulatorProcess> simulator;
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::HiddenModeTest)
#include "hidden_mode_test.moc"
