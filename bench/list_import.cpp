// A colony's list imported through "Импорт списка животных" into an empty journal: the file
// read, checked and planned, then written, each off the window's thread. Each case runs in
// a process of its own, so that its peak memory is its own.
//   bench_list_import [N ...]   (default: 10000 100000), each as CSV and as .xlsx
// The longest event-loop block is printed beside the same figure for an idle loop on this
// machine: compare the two, not the first with a fixed bound.
#include <sys/resource.h>
#include <xlsxwriter.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
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
constexpr qint64 kFloorMs = 8000;
constexpr size_t kChurnStrings = 256;
constexpr size_t kChurnBytes = 64 * 1024;
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

// Runs the event loop as the program's own runs, waiting between events, until `ready` holds.
// (processEvents with a time limit returns at once when nothing is pending, and spinning on it
// keeps a core busy that the worker and the disk's kernel threads then fight for.)
void runUntil(const std::function<bool()>& ready) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (ready()) loop.quit();
  });
  check.start(kTickMs);
  loop.exec();
}

// The event loop's longest wait beyond its pulse, from when it is made.
class BlockMeter {
 public:
  BlockMeter() {
    pulse_.setInterval(kTickMs);
    QObject::connect(&pulse_, &QTimer::timeout, [this] {
      longest_ = std::max(longest_, sinceTick_.elapsed() - kTickMs);
      sinceTick_.restart();
    });
    sinceTick_.start();
    pulse_.start();
  }
  qint64 longestMs() const { return longest_; }

 private:
  QTimer pulse_;
  QElapsedTimer sinceTick_;
  qint64 longest_ = 0;
};

// The machine's own floor: the same pulse, no window, beside a thread that only allocates and
// frees. On a virtual machine a sleeping thread's wake-up alone can come tens of ms late.
void printFloor() {
  std::atomic<bool> stop = false;
  std::thread churn([&stop] {
    std::vector<std::string> kept(kChurnStrings);
    for (size_t i = 0; !stop; ++i) kept[i % kept.size()].assign(kChurnBytes, 'x');
  });
  const BlockMeter meter;
  QElapsedTimer clock;
  clock.start();
  runUntil([&clock] { return clock.elapsed() >= kFloorMs; });
  stop = true;
  churn.join();
  std::printf("for comparison, an idle event loop beside a busy thread, %lld s: longest block %lld ms\n",
              static_cast<long long>(kFloorMs / 1000), static_cast<long long>(meter.longestMs()));
}

// Runs the dialog over `file` and prints its figures.
int importOnce(const QString& file, const QString& journal) {
  const BlockMeter meter;
  QElapsedTimer clock;
  clock.start();
  window::ListImportDialog dialog(file.toStdU16String(), journal.toStdU16String(), {});
  dialog.show();
  auto* confirm = dialog.findChild<QAbstractButton*>("ListImportConfirm");
  runUntil([confirm] { return confirm->isEnabled(); });
  const qint64 readMs = clock.restart();
  confirm->click();
  runUntil([&dialog] { return dialog.outcome().has_value(); });
  const qint64 writeMs = clock.elapsed();
  rusage used{};
  getrusage(RUSAGE_SELF, &used);
  std::printf("read and checked in %.2f s, written in %.2f s, longest event-loop block %lld ms, peak %ld MB: %s\n",
              static_cast<double>(readMs) / 1000, static_cast<double>(writeMs) / 1000,
              static_cast<long long>(meter.longestMs()), used.ru_maxrss / kKilobytesPerMegabyte,
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
  printFloor();  // last, so that no case inherits its memory
  return 0;
}
