// The batch protocol from the window: saved into "протоколы" beside the program,
// never over an existing one without a choice, and printed (here into a PDF).
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "window/main/main_form.h"
#include "window/protocol/protocol_painter.h"
#include "settings/settings_store.h"
#include "tests/support/settings_sandbox.h"
#include "tests/support/simulator_process.h"
#include "weighing/acceptance.h"
#include "tests/support/weighed_batch.h"
#include "weighing/recording.h"

namespace tarvelo::window {

// A user at the window's modal dialogs while alive: types `typed` into the file dialog and
// accepts it, cancels the file dialog when it comes back, and presses `answer` in every
// message box (or closes it when the box has no such button), keeping the box's text.
class User : public QObject {
 public:
  User(QString typed, QMessageBox::StandardButton answer)
      : typed_(std::move(typed)), answer_(answer) {
    timer_.callOnTimeout(this, &User::reply);
    timer_.start(kReplyIntervalMs);
  }

  QStringList messages;
  QString nameFilter;  // the file dialog's filter when it opened

 private:
  static constexpr int kReplyIntervalMs = 20;

  void reply() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      messages << box->text();
      if (QAbstractButton* button = box->button(answer_)) {
        button->click();
      } else {
        box->reject();
      }
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      if (!nameFilter.isNull()) {
        dialog->reject();
        return;
      }
      nameFilter = dialog->selectedNameFilter();
      dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed_);
      // Accepting may ask a question of its own: let this reply return first.
      QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    }
  }

  QTimer timer_;
  QString typed_;
  QMessageBox::StandardButton answer_;
};

class ProtocolTest : public QObject {
  Q_OBJECT

 private slots:
  // Windows' own file dialog cannot be driven from here; Qt's takes the same answers.
  void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

  void init() {
    dir = std::make_unique<QTemporaryDir>();
    settings = std::make_unique<testing::SettingsSandbox>();
    form = std::make_unique<TMainForm>(settings::makeSettingsStore(), "Tarvelo");
    number = QString("тест-%1").arg(QCoreApplication::applicationPid());
    form->findChild<QLineEdit*>("eLabelNum")->setText(number);
  }
  void cleanup() {
    form.reset();
    settings.reset();
    QFile::remove(protocolFile());
  }

  void savedProtocolIsAWorkbookInTheProtocolFolder() {
    QFile::remove(protocolFile());
    form->ApplyButton1Click();
    QFile file(protocolFile());
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(protocolFile()));
    QCOMPARE(file.read(2), QByteArray("PK"));  // an Office Open XML workbook is a zip
  }

  void existingProtocolIsKeptWhenTheDialogIsCancelled() {
    QFile::remove(protocolFile());
    form->ApplyButton1Click();
    const QByteArray before = contents();
    QVERIFY(!before.isEmpty());
    bool asked = false;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = QApplication::activeModalWidget()) {
        asked = true;
        dialog->close();
      }
    });
    form->findChild<QLineEdit*>("ePerson")->setText("Другой");
    form->ApplyButton1Click();
    QVERIFY(asked);
    QCOMPARE(contents(), before);
  }

  // A name typed in the dialog is saved as a workbook; replacing one takes a "Yes" to a
  // question naming it, whether the dialog asked it or the program did.
  void existingWorkbookIsReplacedOnlyWhenConfirmed() {
    QFETCH(QString, typed);
    QFETCH(QMessageBox::StandardButton, answer);
    QFile::remove(protocolFile());
    form->ApplyButton1Click();
    const QByteArray before = contents();
    QVERIFY(!before.isEmpty());
    form->findChild<QLineEdit*>("ePerson")->setText("Другой");
    User user(typed.arg(number), answer);
    form->ApplyButton1Click();
    QCOMPARE(user.nameFilter, QString("Excel (*.xlsx)"));  // the earlier workbooks are listed
    QCOMPARE(user.messages.size(), 1);
    QVERIFY2(user.messages.front().contains(number + ".xlsx"), qPrintable(user.messages.front()));
    QCOMPARE(contents() != before, answer == QMessageBox::Yes);
  }
  void existingWorkbookIsReplacedOnlyWhenConfirmed_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QMessageBox::StandardButton>("answer");
    QTest::newRow("number alone, kept") << "%1" << QMessageBox::No;
    QTest::newRow("old extension, saved as xlsx, kept") << "%1.xls" << QMessageBox::No;
    QTest::newRow("old extension, saved as xlsx, replaced") << "%1.xls" << QMessageBox::Yes;
  }

  void blankNumberAsksForOneAndSavesNothing() {
    const QDir folder(QCoreApplication::applicationDirPath() + "/протоколы");
    const QStringList before = folder.entryList(QDir::AllEntries | QDir::Hidden);
    form->findChild<QLineEdit*>("eLabelNum")->setText(" . ");
    User user({}, QMessageBox::Ok);
    form->ApplyButton1Click();
    QCOMPARE(user.messages, QStringList{"Укажите номер протокола."});
    QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden), before);
  }

  void failedSaveSaysTheFileAndTheReasonOnce() {
    number = QString(kOverlongNameBytes, 'x');  // longer than any file name may be
    form->findChild<QLineEdit*>("eLabelNum")->setText(number);
    User user({}, QMessageBox::Ok);
    form->ApplyButton1Click();
    QCOMPARE(user.messages.size(), 1);
    const QString& text = user.messages.front();
    QCOMPARE(text.count(number + ".xlsx"), 1);
    QVERIFY2(text.count("сохран", Qt::CaseInsensitive) == 1, qPrintable(text));
  }

  // Without a printer the protocol is offered as a PDF file.
  void printingWithoutAPrinterOffersAPdfFile() {
    const QString pdf = dir->filePath("протокол.pdf");
    {
      User user(pdf, QMessageBox::Yes);
      form->btnPrintClick();
      QCOMPARE(user.messages, QStringList{"Принтер не установлен. Сохранить протокол в файл PDF, чтобы напечатать его потом?"});
    }
    QVERIFY2(pdfText(pdf).contains("Протокол №"), qPrintable(pdfText(pdf)));
  }

  // A printer that cannot start the job is reported, not taken for success.
  void printerThatRefusesTheJobIsNoSuccess() {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir->filePath("no-such-folder/protocol.pdf"));
    QVERIFY(!form->printProtocol(printer));
    QVERIFY(!form->printGraph(printer));
    printer.setOutputFileName(dir->filePath("protocol.pdf"));
    QVERIFY(form->printProtocol(printer));
  }

  void printedProtocolCarriesItsTexts() {
    // A batch of two results, made by the weighing core as the window would.
    weighing::MeasurementStore store;
    weighing::WeighingInputs inputs;
    store.readingsPerWeighing = 2;
    store.statisticsWindow = 10;
    for (const double mass : {20.0, 24.0}) {
      store.ClearBeforeNextWeight();
      store.SetupCurrentGrid(inputs);
      for (int i = 0; i < 2; ++i) {
        link::WeightReading reading;
        reading.weight = mass;
        reading.stable = 1;
        weighing::AcceptReading(store, reading, inputs);
        weighing::RecordReading(store, reading, "09:05:07", inputs);
      }
      weighing::StopWeighing(store, inputs);
    }
    const auto protocol = reports::BuildSpreadsheetProtocol(
        {store.sgRes, store.sgTotal, "17/3", "Мышь", "Иванов И.И.", "4", "07.12.2026", "KM42-01", 1234});
    const QString pdf = dir->filePath("protocol.pdf");
    {
      QPdfWriter writer(pdf);
      paintProtocol(protocol, writer);
    }
    const QString printed = pdfText(pdf);
    for (const char* expected : {"Протокол №", "17/3", "Дата: 07.12.2026", "Объект: Мышь", "Масса", "20,00", "24,00",
                                 "-2,00", "Общая масса партии, г:", "44", "Количество в партии:", "Средняя масса, г:",
                                 "22,00", "Исполнитель:", "Иванов И.И.", "Весы: KM42-01 заводской № 1234"}) {
      QVERIFY2(printed.contains(QString::fromUtf8(expected)), expected);
    }
    // Every word at least 10 mm inside each edge of the paper, where printers may cut.
    QVERIFY2(nearestEdgeMm(pdf) >= 10.0, qPrintable(QString::number(nearestEdgeMm(pdf))));
  }

  void everyPrintedPageIsHeadedByTheProtocolNumber() {
    const weighing::MeasurementStore store = testing_support::weighedBatch(kResultsOnTwoPages);
    const QString pdf = dir->filePath("long.pdf");
    {
      QPdfWriter writer(pdf);
      QVERIFY(paintProtocol(reports::BuildSpreadsheetProtocol({store.sgRes, store.sgTotal, "17/3", "Мышь", "",
                                                                "4", "07.12.2026", "KM42-01", 1234}),
                            writer));
    }
    const QStringList pages = pdfText(pdf).split('\f', Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 2);
    for (const QString& page : pages) QVERIFY2(page.contains("17/3"), qPrintable(page));
  }

 private:
  // How close to an edge of its page the nearest word comes, in millimetres.
  static double nearestEdgeMm(const QString& pdf) {
    const QString boxes =
        QString::fromStdString(testing::runProgram({"/usr/bin/pdftotext", "-bbox", pdf.toStdString(), "-"}).out);
    constexpr double kMmPerPoint = 25.4 / 72.0;
    double width = 0;
    double height = 0;
    double nearest = 1e9;
    const QRegularExpression number(R"re((\w+)="([0-9.]+)")re");
    for (const QString& line : boxes.split('\n')) {
      QMap<QString, double> values;
      for (auto match = number.globalMatch(line); match.hasNext();) {
        const auto found = match.next();
        values[found.captured(1)] = found.captured(2).toDouble();
      }
      if (line.contains("<page")) {
        width = values["width"];
        height = values["height"];
      } else if (line.contains("<word")) {
        nearest = std::min({nearest, values["xMin"], values["yMin"], width - values["xMax"], height - values["yMax"]});
      }
    }
    return nearest * kMmPerPoint;
  }
  static QString pdfText(const QString& pdf) {
    return QString::fromStdString(testing::runProgram({"/usr/bin/pdftotext", "-layout", pdf.toStdString(), "-"}).out);
  }
  QString protocolFile() const {
    return QDir(QCoreApplication::applicationDirPath()).filePath("протоколы/" + number + ".xlsx");
  }
  QByteArray contents() const {
    QFile file(protocolFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  static constexpr int kOverlongNameBytes = 300;
  static constexpr int kResultsOnTwoPages = 60;

  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<testing::SettingsSandbox> settings;
  std::unique_ptr<TMainForm> form;
  QString number;
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::ProtocolTest)
#include "protocol_test.moc"
