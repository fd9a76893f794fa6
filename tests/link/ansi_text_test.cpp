#include "link/ansi_text.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvelo::link {
namespace {

TEST(AnsiText, TextsOfTheSystemsEightBitEncoding) {
#ifdef _WIN32
  constexpr UINT kRussianCodePage = 1251;
  if (GetACP() != kRussianCodePage) GTEST_SKIP() << "needs a Russian system (code page 1251)";
  EXPECT_EQ(toAnsiText("нестаб. 25,31 г"), "\xED\xE5\xF1\xF2\xE0\xE1. 25,31 \xE3");
  EXPECT_EQ(fromAnsiText("\xD1\xF2\xE0\xE1."), "Стаб.");
  EXPECT_EQ(toAnsiText("中€"), "?\x88") << "a character the code page lacks becomes ?";
#else
  EXPECT_EQ(toAnsiText("нестаб. 25,31 г"), "нестаб. 25,31 г");
  EXPECT_EQ(fromAnsiText("Стаб."), "Стаб.");
#endif
}

}  // namespace
}  // namespace tarvelo::link
