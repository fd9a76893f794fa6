#include "balance_identity.h"

#include <algorithm>
#include <iterator>

namespace tarvelo::link {

std::vector<std::string> comPortItems() {
  std::vector<std::string> items;
  items.reserve(kComPortCount);
  for (int port = 1; port <= kComPortCount; ++port) items.push_back("COM" + std::to_string(port));
  return items;
}

std::string balanceIdentityText(const WeightReading& reading) {
  const auto modelEnd = std::find(reading.model.begin(), reading.model.end(), '\0');
  return "Весы: " + std::string(reading.model.begin(), modelEnd) + " Заводской № " +
         std::to_string(reading.serialNumber);
}

}  // namespace tarvelo::link
