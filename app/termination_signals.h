#pragma once

#include <QObject>
#include <functional>

namespace tarvelo::app {

// Turns SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl+C) into a call of
// `end` on the event loop, so the program goes through its normal shutdown and
// writes its settings. The handlers stay for the life of `owner`. Exceeding a file-size
// limit (SIGXFSZ) fails the write instead of ending the program.
void endOnTerminationSignals(QObject* owner, std::function<void()> end);

}  // namespace tarvelo::app
