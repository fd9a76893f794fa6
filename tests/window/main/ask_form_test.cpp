// The splash / confirmation window and the libjpeg decoder behind its picture.
#include "window/main/ask_form.h"

#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QSet>
#include <QtTest>

#include "window/graph/jpeg_picture.h"
#include "window/main/load_resources.h"

using tarvelo::window::decodeJpeg;
using tarvelo::window::readJpeg;
using tarvelo::window::encodeJpeg;
using tarvelo::window::TAskForm;

namespace {

constexpr int kPictureSidePx = 302;
constexpr int kSplashSidePx = 304;
// A drawn picture has far more colours than this; a blank or grey fill has one.
constexpr int kMinDistinctColours = 200;
constexpr quint32 kRandomSeed = 20240611;
constexpr int kRandomLength = 4096;
constexpr int kFineQuality = 95;

QByteArray splashBytes() {
  QFile file(":/splash.jpg");
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template <typename T>
T* child(const TAskForm& form, const char* name) {
  return form.findChild<T*>(QString::fromLatin1(name));
}

// Encodes an image with Qt's own JPEG writer, so the decoder meets a file it did not write.
}  // namespace

class AskFormTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { tarvelo::window::loadResources(); }

  void splashPictureDecodesToItsSize() {
    const QImage picture = decodeJpeg(splashBytes());
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), QSize(kPictureSidePx, kPictureSidePx));
    QCOMPARE(picture.format(), QImage::Format_RGB888);
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) colours.insert(picture.pixel(x, y));
    QVERIFY(colours.size() > kMinDistinctColours);
    // The background is light; the control strip on the balance's front is dark blue.
    const QColor background = picture.pixelColor(4, 4);
    QVERIFY(background.lightness() > 200);
    const QColor strip = picture.pixelColor(70, 225);
    QVERIFY(strip.lightness() < 100);
    QVERIFY(strip.blue() > strip.red());
  }

  void readJpegOfAMissingFileIsNull() { QVERIFY(readJpeg(":/no-such-picture.jpg").isNull()); }

  void greyscaleComesOutAsRgb() {
    QImage grey(16, 8, QImage::Format_Grayscale8);
    grey.fill(QColor(90, 90, 90));
    const QImage picture = decodeJpeg(encodeJpeg(grey, kFineQuality));
    QCOMPARE(picture.format(), QImage::Format_RGB888);
    QCOMPARE(picture.size(), grey.size());
    const QColor pixel = picture.pixelColor(8, 4);
    QCOMPARE(pixel.red(), pixel.green());
    QCOMPARE(pixel.green(), pixel.blue());
    QVERIFY(qAbs(pixel.red() - 90) <= 2);
  }

  void damagedDataGivesANullImage_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray whole = splashBytes();
    QByteArray random(kRandomLength, '\0');
    QRandomGenerator generator(kRandomSeed);
    for (char& byte : random) byte = static_cast<char>(generator.bounded(256));
    QByteArray randomAfterMarker = random;
    randomAfterMarker[0] = '\xFF';
    randomAfterMarker[1] = '\xD8';

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a picture") << QByteArray("Tarvelo");
    QTest::newRow("start marker only") << whole.left(2);
    QTest::newRow("header without image data") << whole.left(whole.size() / 20);
    QTest::newRow("cut in the middle") << whole.left(whole.size() / 2);
    QTest::newRow("last bytes missing") << whole.left(whole.size() - 2);
    QTest::newRow("random bytes") << random;
    QTest::newRow("random bytes after a start marker") << randomAfterMarker;
  }

  void damagedDataGivesANullImage() {
    QFETCH(QByteArray, bytes);
    QVERIFY(decodeJpeg(bytes).isNull());
  }

  void splashShowsThePictureWithoutFrame() {
    TAskForm form(false);
    QVERIFY(!form.isVisible());
    form.FormCreate();
    QVERIFY(form.isVisible());
    QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(form.size(), QSize(kSplashSidePx, kSplashSidePx));
    QCOMPARE(form.windowTitle(), QString("Очиститка окна"));
    QVERIFY(child<QFrame>(form, "Panel1")->isHidden());
    QVERIFY(!child<QFrame>(form, "Panel2")->isHidden());
    const QLabel* image = child<QLabel>(form, "Image1");
    QCOMPARE(image->pixmap().size(), QSize(kPictureSidePx, kPictureSidePx));
    QCOMPARE(image->size(), QSize(kPictureSidePx, kPictureSidePx));
    QCOMPARE(form.frameGeometry().center(), form.screen()->availableGeometry().center());
    QVERIFY(!form.askClosed);
    QVERIFY(!form.askAnswer);
  }

  void hiddenStartNeverShowsTheSplash() {
    TAskForm form(true);
    form.FormCreate();
    QVERIFY(!form.isVisible());
  }

  void confirmationAsksWithAFrame() {
    TAskForm form(true);
    form.FormCreate();
    form.ShowConfirmation();
    QVERIFY(form.isVisible());
    QVERIFY(!form.isModal());
    QVERIFY(!form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!child<QFrame>(form, "Panel1")->isHidden());
    QVERIFY(child<QFrame>(form, "Panel2")->isHidden());
    QVERIFY(form.height() < kSplashSidePx);
    for (const char* name : {"Label1", "Label2"}) {
      const QLabel* label = child<QLabel>(form, name);
      QVERIFY2(label->width() >= label->sizeHint().width(), name);
    }
    QCOMPARE(child<QPushButton>(form, "YesBtn")->text(), QString("Да"));
    QCOMPARE(child<QPushButton>(form, "NoBtn")->text(), QString("Нет"));
    QVERIFY(!child<QPushButton>(form, "YesBtn")->icon().isNull());
    QVERIFY(!child<QPushButton>(form, "NoBtn")->icon().isNull());
  }

  void yesAnswersAndCloses() {
    TAskForm form(false);
    form.ShowConfirmation();
    QTest::mouseClick(child<QPushButton>(form, "YesBtn"), Qt::LeftButton);
    QVERIFY(form.askAnswer);
    QVERIFY(form.askClosed);
    QVERIFY(!form.isVisible());
  }

  void noAnswersAndCloses() {
    TAskForm form(false);
    form.ShowConfirmation();
    form.askAnswer = true;
    QTest::mouseClick(child<QPushButton>(form, "NoBtn"), Qt::LeftButton);
    QVERIFY(!form.askAnswer);
    QVERIFY(form.askClosed);
    QVERIFY(!form.isVisible());
  }

  void closingTheWindowLeavesTheAnswer() {
    TAskForm form(false);
    form.ShowConfirmation();
    QVERIFY(form.close());
    QVERIFY(form.askClosed);
    QVERIFY(!form.askAnswer);
    QVERIFY(!form.isVisible());
  }
};

QTEST_MAIN(AskFormTest)
#include "ask_form_test.moc"
