// "Список животных" over a colony's list: the window opened (made, read, shown and painted)
// over a journal of N animals, a tenth of them weighed today; at the largest list, a sort
// by a column and a filter too.
//   bench_animal_list_window [N ...]   (default: 1000 10000 100000)
#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "session/journal_entry.h"
#include "window/journal/animal_list_window.h"

namespace {

using namespace tarvelo;

constexpr int kDefaultSizes[] = {1000, 10'000, 100'000};
constexpr long long kFirstTag = 985000000000000;
constexpr int kAnimalsPerCage = 5;
constexpr int kGroups = 8;
constexpr int kWeighedShare = 10;  // one animal in this many was weighed today
constexpr int kCageColumn = 1;

double milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

// A journal of `count` animals appended in one batch, and today's results of some of them.
bool makeJournal(const std::filesystem::path& path, int count) {
  link::Failure error;
  const auto journal = journal::Journal::open(path, error);
  if (!journal) return false;
  const QDateTime now = QDateTime::currentDateTime();
  std::vector<journal::JournalRecord> records;
  for (int i = 0; i < count; ++i) {
    journal::Animal animal{std::to_string(kFirstTag + i), "К-" + std::to_string(i / kAnimalsPerCage + 1),
                           std::string(1, static_cast<char>('A' + i % kGroups)), i % 2 ? "м" : "ж", "2026-10-01",
                           20.0 + i % 50 * 0.1};
    animal.strain = "C57BL/6";
    animal.study = "И-" + std::to_string(i % 3 + 1);
    records.push_back(session::animalRecord(animal, {}, now));
  }
  for (int i = 0; i < count; i += kWeighedShare) {
    journal::JournalRecord result;
    result.local = now.toString(session::kLocalTimeFormat).toStdString();
    result.animal = std::to_string(kFirstTag + i);
    result.object = "Мышь";
    result.grams = 25.0;
    records.push_back(result);
  }
  return !journal->appendAll(records);
}

// Lets the window's events run until its table has painted.
void untilPainted(QTableView& table) {
  struct PaintWatch : QObject {
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted = true;
      return false;
    }
  } watch;
  table.viewport()->installEventFilter(&watch);
  table.viewport()->update();
  while (!watch.painted) QApplication::processEvents(QEventLoop::AllEvents, 50);
  table.viewport()->removeEventFilter(&watch);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::vector<int> sizes(std::begin(kDefaultSizes), std::end(kDefaultSizes));
  if (argc > 1) sizes.assign(argc - 1, 0);
  for (int i = 1; i < argc; ++i) sizes[static_cast<size_t>(i - 1)] = std::atoi(argv[i]);
  const QTemporaryDir dir;
  for (const int count : sizes) {
    const std::filesystem::path path = dir.filePath(QString("список-%1.sqlite").arg(count)).toStdU16String();
    if (!makeJournal(path, count)) return 1;
    QElapsedTimer timer;
    timer.start();
    size_t heard = 0;
    window::AnimalListWindow list(path, [] { return session::JournalContext{}; },
                                  [&heard](const std::vector<journal::Animal>& animals, const std::set<std::string>&) {
                                    heard = animals.size();
                                  });
    list.refresh();
    list.show();
    auto* table = list.findChild<QTableView*>("AnimalList");
    untilPainted(*table);
    std::printf("%d animals: window open and painted in %.0f ms (%zu on the list)\n", count, milliseconds(timer), heard);
    if (count != sizes.back()) continue;
    timer.restart();
    table->sortByColumn(kCageColumn, Qt::DescendingOrder);
    untilPainted(*table);
    std::printf("%d animals: sorted by cage in %.0f ms\n", count, milliseconds(timer));
    auto* cages = list.findChild<QLineEdit*>("AnimalListCageFilter");
    if (cages == nullptr) continue;
    timer.restart();
    cages->setText("К-12");
    untilPainted(*table);
    std::printf("%d animals: cage filter \"К-12\" in %.0f ms, %d rows left\n", count, milliseconds(timer),
                table->model()->rowCount());
  }
  return 0;
}
