#include "link/b_balance_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace tarvelo::link {
namespace {

using Frame = std::array<uint8_t, kBFrameSize>;

// A weight answer with the window sums made zero around status and reading.
Frame weightAnswer(uint8_t status, uint8_t r2, uint8_t r1, uint8_t r0) {
  Frame a{};
  a[3] = status;
  a[4] = r2;
  a[5] = r1;
  a[6] = r0;
  a[0] = a[5];
  a[1] = a[6];
  a[2] = static_cast<uint8_t>(-(a[0] + a[1] + a[3] + a[4]));
  return a;
}

TEST(BBalanceFrame, KnownWeightAnswerIs1234MilligramsStable) {
  const FrameResult r = decodeBWeight(Frame{0x04, 0xD2, 0xA7, 0x83, 0x00, 0x04, 0xD2, 0x00});
  ASSERT_EQ(r.code, kBOk);
  EXPECT_DOUBLE_EQ(r.weight, 1.234);
  EXPECT_STREQ(bUnitText(r.unitIndex), "g");
  EXPECT_EQ(r.stable, 1);
}

TEST(BBalanceFrame, WeightScalesUnitsAndSign) {
  struct Case {
    const char* legend;
    Frame answer;
    double weight;
    const char* unit;
    uint8_t stable;
  } cases[] = {
      {"reading FF FF FF is -1", weightAnswer(0x86, 0xFF, 0xFF, 0xFF), -1.0, "g", 1},
      {"e = 0 gives millionths", weightAnswer(0x80, 0x00, 0x00, 0x07), 7e-6, "g", 1},
      {"e = 7 gives tens", weightAnswer(0x87, 0x00, 0x00, 0x03), 30.0, "g", 1},
      {"unit index 5 is kg, unstable", weightAnswer(0x56, 0x00, 0x00, 0x02), 2.0, "kg", 0},
      {"unit index 7 is ozt", weightAnswer(0xF6, 0x00, 0x00, 0x01), 1.0, "ozt", 1},
      {"bit 3 of the status is not used", weightAnswer(0x8E, 0x00, 0x01, 0x00), 256.0, "g", 1},
  };
  for (const Case& c : cases) {
    const FrameResult r = decodeBWeight(c.answer);
    ASSERT_EQ(r.code, kBOk) << c.legend;
    EXPECT_DOUBLE_EQ(r.weight, c.weight) << c.legend;
    EXPECT_STREQ(bUnitText(r.unitIndex), c.unit) << c.legend;
    EXPECT_EQ(r.stable, c.stable) << c.legend;
  }
}

TEST(BBalanceFrame, AnyBrokenWindowSumRejectsTheAnswer) {
  const Frame good{0x04, 0xD2, 0xA7, 0x83, 0x00, 0x04, 0xD2, 0x00};
  for (std::size_t i = 0; i < 7; ++i) {
    Frame bad = good;
    bad[i] ^= 0x01;
    EXPECT_EQ(decodeBWeight(bad).code, kBBadSums) << "byte " << i;
  }
  Frame lastByteChanged = good;
  lastByteChanged[7] = 0x55;
  EXPECT_EQ(decodeBWeight(lastByteChanged).code, kBOk);
}

TEST(BBalanceFrame, IdentityAnswerGivesModelCodeAndSerial) {
  const auto identity = decodeBIdentity(Frame{0x04, 0xD2, 0x2A, 0x00, 0x00, 0x04, 0xD2, 0x01});
  ASSERT_TRUE(identity.has_value());
  EXPECT_EQ(identity->modelCode, 0);
  EXPECT_EQ(identity->serialNumber, 1234);
  EXPECT_EQ(bModelName(identity->modelCode), "KM42-01");
}

TEST(BBalanceFrame, IdentityNeedsItsEndMarkAndZeroSums) {
  EXPECT_FALSE(decodeBIdentity(Frame{0x04, 0xD2, 0x2A, 0x00, 0x00, 0x04, 0xD2, 0x00}));
  EXPECT_FALSE(decodeBIdentity(Frame{0, 0, 0, 0, 0, 0, 0, 0x02}));
  EXPECT_TRUE(decodeBIdentity(Frame{0, 0, 0, 0, 0, 0, 0, 0x01}));
  EXPECT_FALSE(decodeBIdentity(Frame{0x04, 0xD2, 0x2B, 0x00, 0x00, 0x04, 0xD2, 0x01}));
}

TEST(BBalanceFrame, SerialNumberIsUnsigned24Bit) {
  Frame b{};
  b[4] = 0xFF;
  b[5] = 0xFF;
  b[6] = 0xFF;
  b[0] = b[5];
  b[1] = b[6];
  b[2] = static_cast<uint8_t>(-(b[0] + b[1] + b[3] + b[4]));
  b[7] = 0x01;
  const auto identity = decodeBIdentity(b);
  ASSERT_TRUE(identity.has_value());
  EXPECT_EQ(identity->serialNumber, 0xFFFFFF);
}

TEST(BBalanceFrame, ProbeAnswerIsRecognisedByItsSumsAndMarks) {
  std::array<uint8_t, kBProbeSize> answer{};
  answer[8] = 0x10;
  answer[9] = 0x20;
  answer[11] = 'S';
  answer[12] = 'q';
  answer[13] = answer[8];
  answer[14] = answer[9];
  answer[10] = static_cast<uint8_t>(-(answer[8] + answer[9] + answer[11] + answer[12]));
  EXPECT_EQ(checkBProbeAnswer(answer), BProbeAnswer::Recognised);

  auto badSums = answer;
  badSums[14] ^= 0x01;
  EXPECT_EQ(checkBProbeAnswer(badSums), BProbeAnswer::BadSums);

  std::array<uint8_t, kBProbeSize> zeros{};
  EXPECT_EQ(checkBProbeAnswer(zeros), BProbeAnswer::Unrecognised);
}

TEST(BBalanceFrame, ModelNamesFollowTheCodeBits) {
  struct Case {
    int code;
    const char* name;
  } cases[] = {
      {0x00, "KM42-01"},    {0x85, "KM7391M-1"},  {0x3C, "KM683-1KAC"}, {0x03, "KM529-01"},
      {0x04, "KM683-1"},    {0x07, "KM9052-1"},   {0x40, "KM42-01"},    {0x21, "KM305-01K"},
      {0x10, "KM42-01A"},   {0x08, "KM42-01C"},   {0xFF, "KM9052M-1KAC"},
  };
  for (const Case& c : cases) EXPECT_EQ(bModelName(c.code), c.name) << std::hex << c.code;
  EXPECT_EQ(bModelName(0xBF).size(), 12u);
}

}  // namespace
}  // namespace tarvelo::link
