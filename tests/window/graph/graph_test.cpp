// The graph of the main window: the range message, the axes, saving and printing.
#include <QDir>
#include <QFile>
#include <QGraphicsTextItem>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QTimer>

#ifndef _WIN32
#include <sys/stat.h>

#include "tests/support/file_size_limit.h"
#endif

#include "window/graph/jpeg_picture.h"
#include "window/widgets/line_chart.h"
#include "window/main/main_form.h"
#include "settings/settings_store.h"
#include "tests/support/settings_sandbox.h"

namespace tarvelo::window {

namespace {

const QByteArray kJpegSignature("\xFF\xD8\xFF");
const QByteArray kGifSignature("GIF8");

QByteArray firstBytes(const QString& path, qsizetype count) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.read(count) : QByteArray();
}

// The axis labels, top to bottom or left to right.
QStringList labelsOf(const LineChart* chart, Qt::Orientation orientation) {
  QStringList texts;
  for (const LineChart::Tick& tick : chart->ticks(orientation)) texts.append(tick.label);
  if (orientation == Qt::Vertical) std::reverse(texts.begin(), texts.end());
  return texts;
}

}  // namespace

class GraphTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    settings = std::make_unique<testing::SettingsSandbox>();
    form = std::make_unique<TMainForm>(settings::makeSettingsStore(), "Tarvelo");
    form->Timer1Timer();
  }
  void cleanup() {
    form.reset();
    settings.reset();
    dir.reset();
  }

  void rangeWithoutTwoReadingsShowsTheMessage() {
    QString text;
    QString caption;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box != nullptr);
      text = box->text();
      caption = box->windowTitle();
      box->accept();
    });
    form->ShowGraphClick();
    QCOMPARE(text, QString("Номер первого измерения должен быть меньше номера последнего измерения!"));
    QCOMPARE(caption, QString("Ошибка!"));
  }

  void emptyRangeFieldIsNamed() {
    form->findChild<QLineEdit*>("LastNum")->clear();
    QString text;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      text = box->text();
      box->accept();
    });
    form->ShowGraphClick();
    QCOMPARE(text, QString("«» в поле «Показать график для измерений по» не является допустимым числом."));
  }

  void spinnersStepTheirFieldsWithinTheirBounds() {
    auto* last = form->findChild<QLineEdit*>("LastNum");
    auto* lastArrows = form->findChild<QScrollBar*>("UpDown2");
    lastArrows->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the lower arrow
    QCOMPARE(last->text(), QString("2"));  // 2 is the least: no wrap
    lastArrows->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the upper arrow
    QCOMPARE(last->text(), QString("1"));  // LastNumChange keeps it within the listed rows

    // The first reading's spinner ends at the number of recorded readings and wraps.
    auto* start = form->findChild<QLineEdit*>("StartNum");
    auto* startArrows = form->findChild<QScrollBar*>("UpDown1");
    startArrows->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(start->text(), QString("1"));
  }

  void savedPicturesAreRealImagesOfTheChartsSize() {
    form->AppButtonClick();
    const QSize size = form->findChild<LineChart*>("Chart1")->size();
    for (const auto& [name, gif, signature] :
         {std::tuple{"graph.jpg", false, kJpegSignature}, std::tuple{"graph.gif", true, kGifSignature}}) {
      const QString path = dir->filePath(name);
      QVERIFY(form->saveGraph(path, gif));
      QVERIFY2(firstBytes(path, signature.size()) == signature, name);
      QCOMPARE(gif ? QImageReader(path).size() : readJpeg(path).size(), size);  // JPEG as the program reads it
    }
  }

  void failedSaveLeavesTheFileItWasToReplace() {
#ifdef _WIN32
    QSKIP("Windows has no file size limit to make the write fail");
#else
    constexpr rlim_t kLessThanAPictureBytes = 64;
    const QByteArray earlier("the earlier picture");
    form->AppButtonClick();
    for (const auto& [name, gif] : {std::pair{"graph.jpg", false}, std::pair{"graph.gif", true}}) {
      const QString path = dir->filePath(name);
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
      file.close();
      {
        const testing::FileSizeLimit limit(kLessThanAPictureBytes);
        QVERIFY(!form->saveGraph(path, gif));
      }
      QCOMPARE(firstBytes(path, earlier.size() + 1), earlier);
    }
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files), (QStringList{"graph.gif", "graph.jpg"}));
#endif
  }

  void savedGraphsNameAgreesWithItsFormat() {
    // The chosen format wins over a typed extension of the other one.
    for (const auto& [typed, gif, written, signature] :
         {std::tuple{"a", false, "a.jpg", kJpegSignature}, std::tuple{"b", true, "b.gif", kGifSignature},
          std::tuple{"c.jpg", true, "c.gif", kGifSignature}, std::tuple{"d.GIF", false, "d.jpg", kJpegSignature},
          std::tuple{"e.jpeg", false, "e.jpeg", kJpegSignature}}) {
      QVERIFY(form->saveGraph(dir->filePath(typed), gif));
      QVERIFY2(firstBytes(dir->filePath(written), signature.size()) == signature, written);
      QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{written});
      QVERIFY(QFile::remove(dir->filePath(written)));
    }
  }

  void savedGraphsGetAUsersUsualPermissions() {
#ifdef _WIN32
    QSKIP("Windows files have no mode bits");
#else
    constexpr mode_t kUsualUmask = 022;
    constexpr mode_t kPermissionBits = 0777;
    constexpr mode_t kUsersFileMode = 0644;  // 0666 less kUsualUmask
    const mode_t previous = ::umask(kUsualUmask);
    const auto restore = qScopeGuard([previous] { ::umask(previous); });
    for (const auto& [name, gif] : {std::pair{"graph.jpg", false}, std::pair{"graph.gif", true}}) {
      const QString path = dir->filePath(name);
      QVERIFY(form->saveGraph(path, gif));
      struct stat status {};
      QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
      QVERIFY2((status.st_mode & kPermissionBits) == kUsersFileMode, name);
    }
#endif
  }

  void axisLabelsAreRoundNumbersWithTheSystemsDecimalComma() {
    form->AppButtonClick();
    form->show();
    auto* chart = form->findChild<LineChart*>("Chart1");
    // The ranges showChart gives readings 1 to 12 weighing 25.1234 to 25.4266, with its 10% margin.
    constexpr double lightest = 25.1234;
    constexpr double heaviest = 25.4266;
    constexpr double margin = (heaviest - lightest) * 0.1;
    chart->setRange(Qt::Horizontal, 1, 12);
    chart->setRange(Qt::Vertical, lightest - margin, heaviest + margin);
    QCoreApplication::processEvents();
    QCOMPARE(labelsOf(chart, Qt::Vertical),
             QStringList({"25,45", "25,40", "25,35", "25,30", "25,25", "25,20", "25,15", "25,10"}));
    QCOMPARE(labelsOf(chart, Qt::Horizontal), QStringList({"2", "4", "6", "8", "10", "12"}));
  }

  void printedGraphReachesThePage() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir->filePath("graph.pdf");
    printer.setOutputFileName(pdf);
    form->printGraph(printer);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(5) == "%PDF-");
    QVERIFY(file.size() > 1000);
  }

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<testing::SettingsSandbox> settings;
  std::unique_ptr<TMainForm> form;
};

}  // namespace tarvelo::window

QTEST_MAIN(tarvelo::window::GraphTest)
#include "graph_test.moc"
