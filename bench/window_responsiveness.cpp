// The window during weighing runs: the longest time its event loop is blocked, the
// time from a reading leaving the balance to its row in the current-measurement grid,
// and the CPU the whole program uses. The bench is the balance: it holds a
// pseudo-terminal's master side and streams the lines of a BM balance. With
// --lab-server-away the program keeps a journal and sends it to a lab server that takes
// connections and never answers, as a hung server or a cut network does.
//   bench_window_responsiveness [seconds, default 60] [--lab-server-away]
#include <fcntl.h>
#include <sys/socket.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "window/main/main_form.h"
#include "settings/settings_file_store.h"
#include "link/com_port_path.h"
#include "weighing/number_text.h"
#include "tests/support/postgres_cluster.h"

namespace {

constexpr int kCom = 44;
constexpr int kLinePeriodMs = 500;  // a BM balance streams without pause
constexpr int kProbeMs = 2;
constexpr int kRestartCheckMs = 1000;
constexpr int kDistinctWeights = 1000;
constexpr int kSilentBacklog = 64;  // connections the system completes unread

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Line k carries the weight 20 + k / 100 g, so a row tells which line it came from.
QByteArray lineOf(int k) {
  return QString::asprintf("%8.2f  g KM500 1234\r\n", 20.0 + (k % kDistinctWeights) / 100.0).toLatin1();
}

// A port on 127.0.0.1 whose connections the system completes and nobody ever reads:
// each waits out its time limit. Returns the port; the socket stays open until the end.
int silentServerPort() {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int port = tarvelo::testing::bindLoopback(listener);
  return port != 0 && listen(listener, kSilentBacklog) == 0 ? port : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? QByteArray(argv[1]).toDouble() : 60.0;  // "." always
  const bool labServerAway = argc > 2 && QByteArray(argv[2]) == "--lab-server-away";
  const QTemporaryDir configHome;
  qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
  QApplication application(argc, argv);
  tarvelo::window::StartOptions options;
  if (labServerAway) {
    options.journal = (configHome.path() + "/journal.sqlite").toStdString();
    tarvelo::settings::SettingsFileStore store;
    store.create("Tarvelo");
    store.WriteText("LabServer", "host=127.0.0.1 port=" + std::to_string(silentServerPort()) + " dbname=lab user=bench");
  }

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  grantpt(master);
  unlockpt(master);
  std::filesystem::create_directories(tarvelo::link::comPortLinkDir());
  std::filesystem::create_symlink(ptsname(master), tarvelo::link::comPortLinkPath(kCom));
  // The BM balance is the first one the program tries, and it never writes to it.

  tarvelo::window::TMainForm form(std::make_unique<tarvelo::settings::SettingsFileStore>(), "Tarvelo", options);

  form.Timer1Timer();
  form.findChild<QComboBox*>("ComCB")->setCurrentIndex(kCom - 1);
  form.findChild<QComboBox*>("cbWTime")->setCurrentText("15");
  auto* weightButton = form.findChild<QPushButton*>("WeightButton");

  QElapsedTimer clock;
  clock.start();
  std::vector<qint64> sentAt(kDistinctWeights, -1);
  int linesSent = 0;
  QTimer sender;
  QObject::connect(&sender, &QTimer::timeout, [&] {
    const QByteArray line = lineOf(linesSent);
    if (write(master, line.constData(), static_cast<size_t>(line.size())) == line.size()) {
      sentAt[static_cast<std::size_t>(linesSent % kDistinctWeights)] = clock.elapsed();
    }
    ++linesSent;
  });

  // A row of the grid: how long ago its line left the balance.
  qint64 longestLatency = 0;
  double latencySum = 0;
  int latencies = 0;
  int recorded = 0;
  QTimer restart;
  QObject::connect(&restart, &QTimer::timeout, [&] {
    if (!weightButton->isHidden()) form.WeightButtonClick();  // a new weighing once one ends
  });
  QTimer rowWatch;  // the grid is read once per recorded reading
  QObject::connect(&rowWatch, &QTimer::timeout, [&] {
    const auto& store = form.measurements();
    if (store.recordNumber == recorded) return;
    recorded = store.recordNumber;
    if (recorded == 0) return;
    const double weight = tarvelo::weighing::parseNumber(store.WStringGrid.cell(0, store.readingIndex - 1));
    const auto k = static_cast<std::size_t>(std::lround((weight - 20.0) * 100.0)) % kDistinctWeights;
    const qint64 latency = clock.elapsed() - sentAt[k];
    longestLatency = std::max(longestLatency, latency);
    latencySum += static_cast<double>(latency);
    ++latencies;
  });

  qint64 lastProbe = 0;
  qint64 longestStall = 0;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    if (lastProbe > 0) longestStall = std::max(longestStall, now - lastProbe - kProbeMs);
    lastProbe = now;
  });

  // First half: blocking and latency, watched closely. Second half: CPU, unwatched.
  double cpuBefore = 0;
  const int halfMs = static_cast<int>(seconds * 500);
  sender.start(kLinePeriodMs);
  restart.start(kRestartCheckMs);
  probe.start(kProbeMs);
  rowWatch.start(kProbeMs);
  form.WeightButtonClick();
  QTimer::singleShot(halfMs, [&] {
    probe.stop();
    rowWatch.stop();
    cpuBefore = cpuSeconds();
  });
  QTimer::singleShot(2 * halfMs, &application, &QApplication::quit);
  QApplication::exec();

  const double cpu = cpuSeconds() - cpuBefore;
  std::printf("event loop: longest block %lld ms (probed every %d ms for %.0f s)\n",
              static_cast<long long>(longestStall), kProbeMs, seconds / 2);
  std::printf("reading leaving the balance to its grid row: longest %lld ms, mean %.0f ms over %d readings "
              "(tick 700 ms)\n",
              static_cast<long long>(longestLatency), latencies > 0 ? latencySum / latencies : 0.0, latencies);
  std::printf("CPU of the whole program while weighing: %.2f %% of one core over %.0f s\n", cpu / (seconds / 2) * 100.0,
              seconds / 2);
  // A lasting note on the status line: the lab server's trouble.
  if (const auto* note = form.statusBar()->findChild<QLabel*>("LastingNote"); labServerAway && note != nullptr)
    std::printf("lab server away, the status line says: %s\n", qPrintable(note->toolTip()));
  std::filesystem::remove(tarvelo::link::comPortLinkPath(kCom));
  close(master);
}
