#include "stop_signals.h"

#include <array>
#include <cerrno>
#include <system_error>

namespace tarvelo::balance_sim {

namespace {

constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t stopFlag = 0;

extern "C" void onStopSignal(int) { stopFlag = 1; }

}  // namespace

StopSignals::StopSignals() {
  sigset_t blocked;
  sigemptyset(&blocked);
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : kStopSignals) {
    sigaddset(&blocked, signal);
    sigaction(signal, &action, nullptr);
  }
  if (sigprocmask(SIG_BLOCK, &blocked, &previousMask_) != 0) {
    throw std::system_error(errno, std::generic_category(), "sigprocmask");
  }
  waitMask_ = previousMask_;
  for (const int signal : kStopSignals) sigdelset(&waitMask_, signal);
}

StopSignals::~StopSignals() { sigprocmask(SIG_SETMASK, &previousMask_, nullptr); }

bool StopSignals::stopRequested() const { return stopFlag != 0; }

void StopSignals::wait(std::span<pollfd> watched, std::chrono::milliseconds timeout) const {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
  const timespec limit{.tv_sec = seconds.count(),
                       .tv_nsec = std::chrono::nanoseconds(timeout - seconds).count()};
  ppoll(watched.data(), watched.size(), &limit, &waitMask_);
}

}  // namespace tarvelo::balance_sim
