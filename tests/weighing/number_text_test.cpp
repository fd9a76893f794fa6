#include "weighing/number_text.h"

#include <gtest/gtest.h>

namespace tarvelo::weighing {
namespace {

TEST(GeneralNumberText, ShortestTextWithTheSystemSeparator) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {25.0, "25"},
      {25.31, "25,31"},
      {-0.75, "-0,75"},
      {1.234, "1,234"},
      {0.1 + 0.2, "0,3"},              // 15 significant digits hide the binary noise
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1,23456789012346E15"},
      {0.00001, "0,00001"},
      {0.0000123, "0,0000123"},
      {0.0000015, "1,5E-6"},
      {1e20, "1E20"},
      {100.0, "100"},
      {0.5, "0,5"},
  };
  for (const Case& c : cases) EXPECT_EQ(generalNumberText(c.value, ','), c.text) << c.value;
  EXPECT_EQ(generalNumberText(25.31, '.'), "25.31");
}

}  // namespace
}  // namespace tarvelo::weighing
