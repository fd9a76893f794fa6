#include "reports/log_line.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tarvelo::reports {
namespace {

TEST(LogLine, FiveTabSeparatedFields) {
  link::WeightReading reading;
  reading.weight = 25.31;
  std::strcpy(reading.unit.data(), "  g");
  reading.stable = 1;
  EXPECT_EQ(logLineText(3, "09:05:07", reading, ','), "3\t09:05:07\t25,31\t  g\tстаб.");
  reading.stable = 0;
  reading.unit = {};
  EXPECT_EQ(logLineText(12, "23:59:59", reading, ','), "12\t23:59:59\t25,31\t\tнестаб.");
}

}  // namespace
}  // namespace tarvelo::reports
