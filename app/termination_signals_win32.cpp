#include <windows.h>

#include <QGuiApplication>
#include <atomic>

#include "app/termination_signals.h"

namespace tarvelo::app {

namespace {

// Windows ends a process five seconds after its console closes or the session ends.
constexpr DWORD kLongestWaitMs = 4500;
constexpr DWORD kWaitStepMs = 20;

QObject* endOwner = nullptr;
std::function<void()> endCall;
std::atomic<bool> ownerGone{false};

// Called on a thread of its own. Returning from it ends the process at once, so it waits
// for the event loop to have ended the program and written its settings.
BOOL WINAPI onConsoleEvent(DWORD /*event*/) {
  if (ownerGone) return TRUE;
  QMetaObject::invokeMethod(endOwner, [] { endCall(); }, Qt::QueuedConnection);
  for (DWORD waited = 0; !ownerGone && waited < kLongestWaitMs; waited += kWaitStepMs) Sleep(kWaitStepMs);
  return TRUE;
}

}  // namespace

void endOnTerminationSignals(QObject* owner, std::function<void()> end) {
  endOwner = owner;
  endCall = std::move(end);
  QObject::connect(owner, &QObject::destroyed, [] { ownerGone = true; });
  // The Windows session ends (logoff, shutdown).
  if (auto* application = qobject_cast<QGuiApplication*>(owner)) {
    QObject::connect(application, &QGuiApplication::commitDataRequest, owner, [] { endCall(); });
  }
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

}  // namespace tarvelo::app
