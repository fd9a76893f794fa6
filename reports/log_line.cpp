#include "log_line.h"

#include <algorithm>

#include "weighing/number_text.h"
#include "weighing/stability_text.h"

namespace tarvelo::reports {

std::string logLineText(int lineNumber, std::string_view timeText, const link::WeightReading& reading,
                        char decimalSeparator) {
  const auto unitEnd = std::find(reading.unit.begin(), reading.unit.end(), '\0');
  std::string line = std::to_string(lineNumber);
  line += '\t';
  line += timeText;
  line += '\t';
  line += weighing::generalNumberText(reading.weight, decimalSeparator);
  line += '\t';
  line.append(reading.unit.begin(), unitEnd);
  line += '\t';
  line += weighing::stabilityText(reading.stable != 0);
  return line;
}

}  // namespace tarvelo::reports
