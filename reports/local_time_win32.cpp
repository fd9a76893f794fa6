#include "local_time.h"

namespace tarvelo::reports {

std::tm localTime(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

}  // namespace tarvelo::reports
