#include "link/tag_number.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarvelo::link {
namespace {

constexpr const char* kTag = "985000001234567";

TEST(TagNumber, KeepsTheFifteenDigitsOfATagLineAndNothingElse) {
  struct Case {
    const char* legend;
    std::string line;
    std::optional<std::string> tag;
  } cases[] = {
      {"digits together", "985000001234567", kTag},
      {"a blank between the groups", "985 000001234567", kTag},
      {"a point between the groups", "985.000001234567", kTag},
      {"an underscore between the groups", "985_000001234567", kTag},
      {"a dash between the groups", "985-000001234567", kTag},
      {"blanks and controls around it", "\x02  985 000001234567 \t\x03", kTag},
      {"the reader's prefix", "FDX-B: 985 000001234567", kTag},
      {"a checksum after it", "985000001234567 *7A", kTag},
      {"digits after a blank are noise", "985 000001234567 01", kTag},
      {"too few digits", "98500000123456", std::nullopt},
      {"too many digits", "9850000012345678", std::nullopt},
      {"too many in the national group", "985 0000012345678", std::nullopt},
      {"too few in the country group", "98 5000001234567", std::nullopt},
      {"a letter inside the number", "985 00000123A567", std::nullopt},
      {"several separators between the groups", "985 .000001234567", kTag},
      {"groups of three", "985 000 001 234 567", std::nullopt},
      {"two tags in one line", "985000001234567 985000001234568", std::nullopt},
      {"an empty line", "", std::nullopt},
      {"only blanks", "   ", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(tagNumber(c.line), c.tag) << c.legend;
}

}  // namespace
}  // namespace tarvelo::link
