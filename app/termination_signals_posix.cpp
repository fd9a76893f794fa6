#include "app/termination_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace tarvelo::app {

namespace {

constexpr std::array<int, 3> kTerminationSignals{SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe from the signal handler to the event loop.
int signalWriteFd = -1;

// Only an async-signal-safe write: the event loop does the rest.
void onTerminationSignal(int signalNumber) {
  const char byte = static_cast<char>(signalNumber);
  static_cast<void>(write(signalWriteFd, &byte, 1) > 0);
}

}  // namespace

void endOnTerminationSignals(QObject* owner, std::function<void()> end) {
  std::array<int, 2> fds{};
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds.data()) != 0) return;
  signalWriteFd = fds[0];
  auto* notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [fd = fds[1], end = std::move(end)] {
    char byte = 0;
    while (read(fd, &byte, 1) > 0) {
    }
    end();
  });
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signalNumber : kTerminationSignals) sigaction(signalNumber, &action, nullptr);
  // A file-size limit must not kill the program in the middle of a log line: past the
  // limit a write fails, as on a full disk, and the log keeps whole lines.
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace tarvelo::app
