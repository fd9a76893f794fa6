#pragma once

#include <poll.h>

#include <chrono>
#include <csignal>
#include <span>

namespace tarvelo::balance_sim {

// SIGINT, SIGTERM and SIGHUP stay blocked except while waiting, so a stop request
// always interrupts the wait instead of slipping in just before it.
class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  bool stopRequested() const;

  // Waits until one of `watched` is ready, a stop signal arrives or the timeout passes.
  void wait(std::span<pollfd> watched, std::chrono::milliseconds timeout) const;

 private:
  sigset_t waitMask_{};
  sigset_t previousMask_{};
};

}  // namespace tarvelo::balance_sim
