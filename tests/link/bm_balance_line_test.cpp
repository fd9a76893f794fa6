#include "link/bm_balance_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvelo::link {
namespace {

std::vector<uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

BmLine decode(const std::string& text) {
  const auto line = bytes(text);
  return decodeBmLine(line);
}

std::string modelOf(const FrameResult& r) { return std::string(r.model.data()); }

TEST(BmBalanceLine, ValidLineGivesAllFields) {
  const BmLine line = decode("   25.31  g KM500 1234\r\n");
  ASSERT_EQ(line.frame.code, kBmOk);
  EXPECT_DOUBLE_EQ(line.frame.weight, 25.31);
  EXPECT_EQ(std::string(line.unit.data(), 3), "  g");
  EXPECT_EQ(line.frame.stable, 1);
  EXPECT_EQ(modelOf(line.frame), "KM500 ");  // keeps its trailing blank
  EXPECT_EQ(line.frame.serialNumber, 1234);
}

TEST(BmBalanceLine, BlankUnitMeansUnstable) {
  const BmLine line = decode("   25.31    KM500 1234\r\n");
  ASSERT_EQ(line.frame.code, kBmOk);
  EXPECT_EQ(line.frame.stable, 0);
  EXPECT_EQ(std::string(line.unit.data(), 3), "   ");
}

TEST(BmBalanceLine, NumbersAreReadAsFarAsTheyGo) {
  struct Case {
    const char* legend;
    std::string text;
    double weight;
    int32_t serial;
  } cases[] = {
      {"negative weight", "  -0.020  g KM5 77\r\n", -0.02, 77},
      {"digits behind a character that starts no number give 0", "  x12.50  g KM5 77\r\n", 0.0,
       77},
      {"stops at the first bad character", "  12.5x9  g KM5 77\r\n", 12.5, 77},
      {"decimal point only, never the locale's comma", "   12,50  g KM5 77\r\n", 12.0, 77},
      {"serial stops at a non-digit", "    1.00  g KM5 12ab\r\n", 1.0, 12},
      {"no serial digits give 0", "    1.00  g KM5 \r\n", 1.0, 0},
      {"huge serial is clamped", "    1.00  g KM5 99999999999\r\n", 1.0, 2147483647},
  };
  for (const Case& c : cases) {
    const BmLine line = decode(c.text);
    ASSERT_EQ(line.frame.code, kBmOk) << c.legend;
    EXPECT_DOUBLE_EQ(line.frame.weight, c.weight) << c.legend;
    EXPECT_EQ(line.frame.serialNumber, c.serial) << c.legend;
  }
}

TEST(BmBalanceLine, MalformedLinesAreRejected) {
  struct Case {
    const char* legend;
    std::string text;
  } cases[] = {
      {"no CR LF in 50 bytes", std::string(50, '1')},
      {"LF without CR", "   25.31  g KM500 1234\n\n"},
      {"no blank at all", "#####25.31##g#KM500#1234\r\n"},
      {"last blank before the model field", "   25.31  g\r\n"},
      {"last blank at position 11", "   25.31  g 1234\r\n"},
      {"empty", ""},
      {"weight field of dashes", "   ----- kg KM5 77\r\n"},
      {"nan for a weight", "     nan  g KM5 77\r\n"},
      {"weight field of blanks", "           g KM5 77\r\n"},
      {"random printable text", "Hello world, ok? \r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(decode(c.text).frame.code, kBmMalformed) << c.legend;
}

TEST(BmBalanceLine, LongModelIsCutToTheField) {
  const BmLine line = decode("    1.00  g ABCDEFGHIJKLMNOPQRS 5\r\n");
  ASSERT_EQ(line.frame.code, kBmOk);
  EXPECT_EQ(modelOf(line.frame), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(line.frame.serialNumber, 5);
}

TEST(BmBalanceLine, ModelRunsToTheLastBlank) {
  const BmLine line = decode("    1.00  g KM 50 A 42\r\n");
  ASSERT_EQ(line.frame.code, kBmOk);
  EXPECT_EQ(modelOf(line.frame), "KM 50 A ");
  EXPECT_EQ(line.frame.serialNumber, 42);
}

TEST(BmBalanceLine, CrLfBeforePositionSixDoesNotEndTheLine) {
  EXPECT_FALSE(bmLineComplete(bytes("12\r\n")));
  EXPECT_FALSE(bmLineComplete(bytes("1234\r\n")));
  EXPECT_TRUE(bmLineComplete(bytes("12345\r\n")));
  EXPECT_FALSE(bmLineComplete(bytes("12345\r\n9")));
}

}  // namespace
}  // namespace tarvelo::link
