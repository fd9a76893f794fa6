#include "weighing/number_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scoped_locale.h"
#include "weighing/conversion_error.h"

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
      {0.1 + 0.2, "0,3"},  // 15 significant digits hide the binary noise
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1,23456789012346E15"},
      {0.00001, "0,00001"},
      {0.0000123, "0,0000123"},
      {0.0000015, "1,5E-6"},
      {1e20, "1E20"},
      {100.0, "100"},
  };
  for (const Case& c : cases) EXPECT_EQ(generalNumberText(c.value, ','), c.text) << c.value;
  EXPECT_EQ(generalNumberText(25.31, '.'), "25.31");
}

// A program's setlocale(LC_ALL, "") gives the C library the system's decimal comma.
TEST(GeneralNumberText, SameUnderACLibraryLocaleWithADecimalComma) {
  const testing_support::ScopedLocale russian(testing_support::kRussianLocale);
  ASSERT_TRUE(russian.ok()) << "scripts/install-deps.sh generates " << testing_support::kRussianLocale;
  ASSERT_EQ(russian.decimalPoint(), ',');
  EXPECT_EQ(generalNumberText(2.458, ','), "2,458");
  EXPECT_EQ(generalNumberText(2.458, '.'), "2.458");
}

TEST(TruncatedMilliseconds, TheRestIsDropped) {
  EXPECT_EQ(truncatedMilliseconds(2.0006), 2000);
  EXPECT_EQ(truncatedMilliseconds(2.001), 2001);
  EXPECT_EQ(truncatedMilliseconds(1.5), 1500);
  EXPECT_EQ(truncatedMilliseconds(0.0009), 0);
  EXPECT_EQ(truncatedMilliseconds(1e9), 1'000'000'000'000LL);
}

TEST(StatisticsNumberText, SixSignificantDigits) {
  EXPECT_EQ(statisticsNumberText(25.123456, ','), "25,1235");
  EXPECT_EQ(statisticsNumberText(0.0707106781, ','), "0,0707107");
  EXPECT_EQ(statisticsNumberText(1234567.0, ','), "1,23457E6");
  EXPECT_EQ(statisticsNumberText(123456.4, ','), "123456");
  EXPECT_EQ(statisticsNumberText(0.0, ','), "0");
}

TEST(FixedNumberText, SevenSignificantDigitsThenTheDecimals) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {25.35, 2, "25,35"},
      {22.0, 2, "22,00"},
      {-2.0, 2, "-2,00"},
      {123456.789, 2, "123456,80"},
      {1234567.891, 2, "1234568,00"},
      {9999999.5, 2, "1E7"},        // rounds to eight integer digits: exponent form
      {12345678.9, 2, "1,234568E7"},
      {0.004, 2, "0,00"},
      {0.006, 2, "0,01"},
      {25.35, 0, "25"},
      {25.5, 0, "26"},
      {1.0, 3, "1,000"},
      {0.0, 2, "0,00"},
      {-1.8e-15, 2, "0,00"},        // floating-point noise is no negative zero
      {-0.004, 2, "0,00"},
      {99.996, 2, "100,00"},
  };
  for (const Case& c : cases) EXPECT_EQ(fixedNumberText(c.value, c.decimals, ','), c.text) << c.value;
}

// Every form rounds the 15-digit text half away from zero, never the binary value
// and never ties to even.
TEST(NumberTextRounding, TiesGoAwayFromZeroInEveryForm) {
  struct Case {
    const char* legend;
    std::string text;
    const char* expected;
  } cases[] = {
      {"fixed-2, double just below the tie", fixedNumberText(38.705, 2, ','), "38,71"},
      {"fixed-2, double just below the tie", fixedNumberText(2.675, 2, ','), "2,68"},
      {"fixed-2, exact tie", fixedNumberText(0.125, 2, ','), "0,13"},
      {"fixed-2, negative exact tie", fixedNumberText(-0.125, 2, ','), "-0,13"},
      {"fixed-0, negative exact tie", fixedNumberText(-2.5, 0, ','), "-3"},
      {"fixed-0, negative value that shows as zero", fixedNumberText(-0.4, 0, ','), "0"},
      {"6 digits, exact tie ties-to-even would drop", statisticsNumberText(1755.625, ','), "1755,63"},
      {"6 digits, negative exact tie", statisticsNumberText(-1755.625, ','), "-1755,63"},
      {"6 digits, tie in the units", statisticsNumberText(100000.5, ','), "100001"},
      {"6 digits, below the tie", statisticsNumberText(1755.6249, ','), "1755,62"},
      {"6 digits, tie carries into a seventh digit", statisticsNumberText(999999.5, ','), "1E6"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, c.expected) << c.legend;
}

TEST(NumberParsing, AcceptsEitherSeparatorAndBlanks) {
  EXPECT_DOUBLE_EQ(parseNumber("0,1"), 0.1);
  EXPECT_DOUBLE_EQ(parseNumber("0.1"), 0.1);
  EXPECT_DOUBLE_EQ(parseNumber(" -25,35 "), -25.35);
  EXPECT_DOUBLE_EQ(parseNumber("+3"), 3.0);
  EXPECT_DOUBLE_EQ(parseNumber(",5"), 0.5);
  EXPECT_DOUBLE_EQ(parseNumber("1,5E-6"), 1.5e-6);
  EXPECT_DOUBLE_EQ(parseNumber(generalNumberText(1234567890123456.0, ',')), 1.23456789012346e15);
  EXPECT_EQ(parseInteger("15"), 15);
  EXPECT_EQ(parseInteger(" -7 "), -7);
}

TEST(NumberParsing, TextThatIsNotANumberNamesItself) {
  for (const char* text : {"", "  ", "abc", "1,2,3", "1.2.3", "12a", "г", "nan", "inf", "-", "0x10", "1e999"}) {
    try {
      parseNumber(text);
      ADD_FAILURE() << "parsed \"" << text << "\"";
    } catch (const ConversionError& error) {
      EXPECT_EQ(error.text(), text);
    }
  }
  EXPECT_THROW(parseInteger("1,5"), ConversionError);
  EXPECT_THROW(parseInteger("99999999999"), ConversionError);
  EXPECT_THROW(parseInteger(""), ConversionError);
}

}  // namespace
}  // namespace tarvelo::weighing
