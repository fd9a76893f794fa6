// Time from the program's start to its main window on screen (the 3 s splash
// included, as intended), and the program's peak memory once it is at rest.
// Run it on a display (Xvfb) or with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "window/main/main_form.h"
#include "app/program.h"

namespace {

constexpr int kPollMs = 5;
constexpr int kRestMs = 2000;

long statusKilobytes(const char* field) {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field)) return line.mid(static_cast<int>(qstrlen(field))).trimmed().split(' ').first().toLong();
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  const QTemporaryDir configHome;  // first run: a profile of its own
  qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  tarvelo::app::Program program("Tarvelo", tarvelo::window::StartOptions{});

  QTimer poll;
  poll.callOnTimeout([&] {
    if (!program.mainForm().isVisible()) return;
    poll.stop();
    std::printf("main window shown after %.3f s\n", static_cast<double>(sinceStart.elapsed()) / 1000.0);
    QTimer::singleShot(kRestMs, [] {
      std::printf("at rest: RSS %ld kB, peak %ld kB\n", statusKilobytes("VmRSS:"), statusKilobytes("VmHWM:"));
      QApplication::quit();
    });
  });
  poll.start(kPollMs);
  return QApplication::exec();
}
