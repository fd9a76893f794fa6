// A colony's list imported through "Импорт списка животных" into an empty journal: the file
// read, checked and planned, then written, each off the window's thread. Each case runs in
// a process of its own, so that its peak memory is its own.
//   bench_list_import [N ...]   (default: 10000 100000), each as CSV and as .xlsx
#include <sys/resource.h>
#include <xlsxwriter.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "reports/c_numeric_locale.h"
#include "window/journal/list_import_dialog.h"

namespace {

using namespace tarvelo;

constexpr int kDefaultSizes[] = {10'000, 100'000};
constexpr long long kFirstTag = 985000000000000;
constexpr int kAnimalsPerCage = 5;
constexpr int kTickMs = 5;  // the event loop's pulse while the import runs
constexpr long kKilobytesPerMegabyte = 1024;
const std::vector<std::string> kHeadings{"№ животного", "Клетка", "Группа", "Пол", "Дата рождения",
                                         "Вес, г",      "Линия",  "Генотип", "Исследование", "Метка уха"};

std::vector<std::string> rowOf(int i) {
  return {std::to_string(kFirstTag + i), "К-" + std::to_string(i / kAnimalsPerCage + 1), "Группа " + std::to_string(i % 8),
          i % 2 ? "самец" : "самка", "01.10.2026", std::to_string(20 + i % 50) + ",5", "C57BL/6", i % 3 ? "wt" : "ko",
          "ИС-" + std::to_string(i % 4), "Л" + std::to_string(i % 9)};
}

void writeCsv(const std::filesystem::path& file, int count) {
  std::ofstream out(file, std::ios::binary);
  for (int i = -1; i < count; ++i) {
    const std::vector<std::string> cells = i < 0 ? kHeadings : rowOf(i);
    for (size_t c = 0; c < cells.size(); ++c) out << (c ? ";" : "") << cells[c];
    out << "\n";
  }
}

void writeXlsx(const std::filesystem::path& file, int count) {
  const reports::CNumericLocale pointNumbers;
  lxw_workbook* book = workbook_new(file.string().c_str());
  lxw_worksheet* sheet = workbook_add_worksheet(book, "Животные");
  for (int i = -1; i < count; ++i) {
    const std::vector<std::string> cells = i < 0 ? kHeadings : rowOf(i);
    for (size_t c = 0; c < cells.size(); ++c)
      worksheet_write_string(sheet, static_cast<lxw_row_t>(i + 1), static_cast<lxw_col_t>(c), cells[c].c_str(), nullptr);
  }
  workbook_close(book);
}

// Runs the dialog over `file` and prints its figures.
int importOnce(const QString& file, const QString& journal) {
  QElapsedTimer sinceTick;
  qint64 longestGap = 0;
  QTimer pulse;
  pulse.setInterval(kTickMs);
  QObject::connect(&pulse, &QTimer::timeout, [&] {
    longestGap = std::max(longestGap, sinceTick.elapsed());
    sinceTick.restart();
  });
  QElapsedTimer clock;
  clock.start();
  sinceTick.start();
  pulse.start();
  window::ListImportDialog dialog(file.toStdU16String(), journal.toStdU16String(), {});
  dialog.show();
  auto* confirm = dialog.findChild<QAbstractButton*>("ListImportConfirm");
  while (!confirm->isEnabled()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, kTickMs);
  const qint64 readMs = clock.restart();
  confirm->click();
  while (!dialog.outcome()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, kTickMs);
  const qint64 writeMs = clock.elapsed();
  rusage used{};
  getrusage(RUSAGE_SELF, &used);
  std::printf("read and checked in %.2f s, written in %.2f s, longest event-loop block %lld ms, peak %ld MB: %s\n",
              static_cast<double>(readMs) / 1000, static_cast<double>(writeMs) / 1000,
              static_cast<long long>(std::max<qint64>(longestGap - kTickMs, 0)), used.ru_maxrss / kKilobytesPerMegabyte,
              dialog.outcome()->toStdString().c_str());
  return dialog.written() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() == 4 && arguments[1] == "--one") return importOnce(arguments[2], arguments[3]);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes.assign(std::begin(kDefaultSizes), std::end(kDefaultSizes));
  QTemporaryDir dir;
  for (const int count : sizes) {
    for (const char* kind : {"csv", "xlsx"}) {
      const QString file = dir.filePath(QString("список-%1.%2").arg(count).arg(kind));
      const std::filesystem::path path = file.toStdU16String();
      std::string(kind) == "csv" ? writeCsv(path, count) : writeXlsx(path, count);
      QProcess one;
      one.setProcessChannelMode(QProcess::ForwardedErrorChannel);
      one.start(QApplication::applicationFilePath(), {"--one", file, dir.filePath(QString("журнал-%1-%2.sqlite").arg(count).arg(kind))});
      one.waitForFinished(-1);
      std::printf("%d animals, %s: %s", count, kind, one.readAllStandardOutput().constData());
    }
  }
  return 0;
}
