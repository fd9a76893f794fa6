// The graph panel of the main window: toggling, the range message, saving and printing.
#include <QChartView>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_form.h"
#include "app/settings_file_store.h"

namespace tarvelo::app {

class GraphTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", dir->path().toUtf8());
    form = std::make_unique<TMainForm>(std::make_unique<SettingsFileStore>(), "Tarvelo");
    form->Timer1Timer();
  }
  void cleanup() {
    form.reset();
    dir.reset();
  }

  void toggleShowsTheGraphPanelsInPlaceOfTheEntryPanel() {
    auto* button = form->findChild<QPushButton*>("AppButton");
    form->AppButtonClick();
    QVERIFY(!form->findChild<QWidget*>("ChartPanel")->isHidden());
    QVERIFY(form->findChild<QWidget*>("Panel4")->isHidden());
    QCOMPARE(button->text(), QString("Убрать график"));
    QCOMPARE(form->findChild<QLineEdit*>("LastNum")->text(), QString("1"));
    form->AppButtonClick();
    QVERIFY(form->findChild<QWidget*>("ChartPanel")->isHidden());
    QVERIFY(!form->findChild<QWidget*>("Panel4")->isHidden());
    QCOMPARE(button->text(), QString("График"));
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
    const QSize size = form->findChild<QChartView*>("Chart1")->size();
    for (const auto& [name, gif, signature] : {std::tuple{"graph.jpg", false, QByteArray("\xFF\xD8\xFF")},
                                                std::tuple{"graph.gif", true, QByteArray("GIF8")}}) {
      const QString path = dir->filePath(name);
      QVERIFY(form->saveGraph(path, gif));
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      QVERIFY2(file.read(signature.size()) == signature, name);
      QCOMPARE(QImageReader(path).size(), size);
    }
    QVERIFY(!form->saveGraph(dir->filePath("no-such-folder/graph.gif"), true));
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
  std::unique_ptr<TMainForm> form;
};

}  // namespace tarvelo::app

QTEST_MAIN(tarvelo::app::GraphTest)
#include "graph_test.moc"
