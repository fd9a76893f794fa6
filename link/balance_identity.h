#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "weight_reading.h"

namespace tarvelo::link {

inline constexpr int kComPortCount = 255;

// "COM1" … "COM255"; item k stands for port k + 1.
std::vector<std::string> comPortItems();

// "Весы: " + model + " Заводской № " + serial number.
std::string balanceIdentityText(const WeightReading& reading);

}  // namespace tarvelo::link
