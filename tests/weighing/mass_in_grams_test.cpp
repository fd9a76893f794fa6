#include "weighing/mass_in_grams.h"

#include <gtest/gtest.h>

#include <string>

namespace tarvelo::weighing {
namespace {

TEST(MassInGrams, EveryMassUnitOfTheProtocolsAndNothingElse) {
  const struct {
    const char* unit;
    double weight;
    double grams;
  } cases[] = {
      {"  g", 2.5, 2.5},       // BM pads its unit with blanks
      {"kg", 0.025, 25.0},     // TSK
      {"mg", 1500.0, 1.5},
      {"ct", 10.0, 2.0},
      {"t", 0.001, 1000.0},
      {"oz", 1.0, 28.349523125},
      {"pcs", 12.0, 12.0},     // no mass: as it is
      {"", 3.0, 3.0},          // no unit known
      {"   ", 3.0, 3.0},       // BM's unstable reading
  };
  for (const auto& c : cases) {
    const std::string unit(c.unit);
    EXPECT_DOUBLE_EQ(massInGrams(c.weight, std::string_view(unit.c_str(), unit.size() + 1)), c.grams) << c.unit;
  }
}

}  // namespace
}  // namespace tarvelo::weighing
