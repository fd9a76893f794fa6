// Where "Справка" finds HELP.doc: the start folder first, then beside the executable,
// then the installed <prefix>/share/tarvelo.
#include "window/protocol/program_files.h"
#include "window/protocol/installed_program.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using tarvelo::window::helpFilePath;
using tarvelo::window::runsInstalled;

namespace {

// A home folder to start in and an installed tree: <prefix>/bin and <prefix>/share/tarvelo.
const QString kStart = QStringLiteral("home");
const QString kBin = QStringLiteral("prefix/bin");
const QString kShare = QStringLiteral("prefix/share/tarvelo");

}  // namespace

class HelpFileTest : public QObject {
  Q_OBJECT

 private slots:
  void picksTheFirstFolderHoldingIt_data() {
    QTest::addColumn<QStringList>("holding");
    QTest::addColumn<QString>("expected");
    // legend: the folders that hold HELP.doc -> the folder whose copy opens
    QTest::newRow("start folder beats the others") << QStringList{kStart, kBin, kShare} << kStart;
    QTest::newRow("beside the executable beats share") << QStringList{kBin, kShare} << kBin;
    QTest::newRow("installed share only") << QStringList{kShare} << kShare;
    QTest::newRow("nowhere: the start folder's path") << QStringList{} << kStart;
  }

  void picksTheFirstFolderHoldingIt() {
    QFETCH(const QStringList, holding);
    QFETCH(const QString, expected);
    const QTemporaryDir root;
    const QDir dir(root.path());
    for (const QString& folder : {kStart, kBin, kShare}) QVERIFY(dir.mkpath(folder));
    for (const QString& folder : holding) {
      QFile help(dir.filePath(folder + "/HELP.doc"));
      QVERIFY(help.open(QIODevice::WriteOnly));
    }
    QCOMPARE(helpFilePath(dir.filePath(kStart), dir.filePath(kBin)),
             dir.filePath(expected + "/HELP.doc"));
  }

  // A folder named HELP.doc is no document.
  void skipsAFolderOfThatName() {
    const QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(dir.mkpath(kStart + "/HELP.doc"));
    QVERIFY(dir.mkpath(kBin));
    QVERIFY(dir.mkpath(kShare));
    QFile help(dir.filePath(kShare + "/HELP.doc"));
    QVERIFY(help.open(QIODevice::WriteOnly));
    QCOMPARE(helpFilePath(dir.filePath(kStart), dir.filePath(kBin)),
             dir.filePath(kShare + "/HELP.doc"));
  }

  // Installed, the program's folder is the system's: a prefix with the program's data on
  // POSIX, Program Files on Windows. A build folder is not.
  void installedOnlyWhereTheSystemKeepsPrograms() {
    const QTemporaryDir root;
    const QDir dir(root.path());
    QVERIFY(dir.mkpath(kBin));
    QVERIFY(!runsInstalled(dir.filePath(kBin)));
#ifdef Q_OS_WIN
    QVERIFY(runsInstalled(qEnvironmentVariable("ProgramFiles") + "/Tarvelo"));
#else
    QVERIFY(dir.mkpath(kShare));
    QVERIFY(runsInstalled(dir.filePath(kBin)));
#endif
  }
};

QTEST_MAIN(HelpFileTest)
#include "program_files_test.moc"
