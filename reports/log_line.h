#pragma once

#include <string>
#include <string_view>

#include "link/weight_reading.h"

namespace tarvelo::reports {

// One line of the hidden-mode log, without its line end: number, time, weight in
// general form, unit as the balance delivered it, "стаб." or "нестаб.", TAB-separated.
std::string logLineText(int lineNumber, std::string_view timeText, const link::WeightReading& reading,
                        char decimalSeparator);

}  // namespace tarvelo::reports
