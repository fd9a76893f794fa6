#pragma once

#include <ctime>

namespace tarvelo::reports {

// `moment` in the system's time zone, for the time of a log line. Safe on any thread,
// unlike std::localtime's one shared result. One file a system: local_time_posix.cpp,
// local_time_win32.cpp.
std::tm localTime(std::time_t moment);

}  // namespace tarvelo::reports
