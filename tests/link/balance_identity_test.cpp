#include "link/balance_identity.h"

#include <gtest/gtest.h>

#include <cstring>

#include "link/no_balance_watch.h"
#include "tests/support/fake_clock.h"

namespace tarvelo::link {
namespace {

TEST(PortList, HoldsCom1ToCom255InOrder) {
  const auto items = comPortItems();
  ASSERT_EQ(items.size(), 255u);
  EXPECT_EQ(items.front(), "COM1");
  EXPECT_EQ(items[9], "COM10");
  EXPECT_EQ(items[99], "COM100");
  EXPECT_EQ(items.back(), "COM255");
}

TEST(BalanceIdentity, TextShowsModelAndSerialNumber) {
  WeightReading reading;
  EXPECT_EQ(balanceIdentityText(reading), "Весы:  Заводской № 0");
  std::strcpy(reading.model.data(), "KM42-01");
  reading.serialNumber = 1234;
  EXPECT_EQ(balanceIdentityText(reading), "Весы: KM42-01 Заводской № 1234");
  std::strcpy(reading.model.data(), "KM500 ");
  reading.serialNumber = -7;
  EXPECT_EQ(balanceIdentityText(reading), "Весы: KM500  Заводской № -7");
  reading.model.fill('A');  // a full field without its terminating zero
  EXPECT_EQ(balanceIdentityText(reading), "Весы: AAAAAAAAAAAAAAAA Заводской № -7");
}

TEST(NoBalanceWatch, ExpiresOnlyAfterMoreThanFifteenSecondsOfSilence) {
  testing::FakeClock clock(0xFFFF'0000u);
  NoBalanceWatch watch(clock);
  clock.advance(15'000);
  EXPECT_FALSE(watch.expired());
  clock.advance(1);
  EXPECT_TRUE(watch.expired());
  watch.signOfLife();
  EXPECT_FALSE(watch.expired());
  clock.advance(15'001);  // across the tick counter's wrap
  EXPECT_TRUE(watch.expired());
}

}  // namespace
}  // namespace tarvelo::link
