#pragma once

#include <QObject>
#include <functional>

namespace tarvelo::app {

// Turns a request to end the program into a call of `end` on the event loop, so the
// program goes through its normal shutdown and writes its settings. The handlers stay
// for the life of `owner`. One file a system:
// - termination_signals_posix.cpp: SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill,
//   Ctrl+C); exceeding a file-size limit (SIGXFSZ) fails the write instead of ending
//   the program;
// - termination_signals_win32.cpp: the end of the Windows session, and Ctrl+C or the
//   closing of the console the program was started from.
void endOnTerminationSignals(QObject* owner, std::function<void()> end);

}  // namespace tarvelo::app
