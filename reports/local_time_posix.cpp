#include "local_time.h"

namespace tarvelo::reports {

std::tm localTime(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  return local;
}

}  // namespace tarvelo::reports
