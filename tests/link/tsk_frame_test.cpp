#include "link/tsk_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tarvelo::link {
namespace {

using Reply = std::array<uint8_t, kTskReplySize>;

// A reply with its CRC filled in over f0..f5.
Reply withCrc(Reply reply) {
  const uint16_t crc = crc16CcittFalse(std::span(reply).first(6));
  reply[6] = static_cast<uint8_t>(crc >> 8);
  reply[7] = static_cast<uint8_t>(crc & 0xFF);
  return reply;
}

TEST(TskFrame, RequestCarriesTheCrcOfItsFirstTwoBytes) {
  EXPECT_EQ(crc16CcittFalse(std::span(kTskRequest).first(2)), 0x175F);
  EXPECT_EQ(crc16CcittFalse(kTskRequest), 0);
  // The CCITT-FALSE check value.
  const std::string check = "123456789";
  EXPECT_EQ(crc16CcittFalse(std::span(reinterpret_cast<const uint8_t*>(check.data()), check.size())),
            0x29B1);
}

struct ReplyCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  Reply reply;
  int code;
  double weight;
  std::string unit;
  uint8_t stable;
};

class TskReplyDecoding : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(TskReplyDecoding, DecodesWeightUnitAndStability) {
  const ReplyCase& c = GetParam();
  const FrameResult result = decodeTskReply(c.reply);
  ASSERT_EQ(result.code, c.code) << c.legend;
  if (c.code != kTskOk) return;
  EXPECT_DOUBLE_EQ(result.weight, c.weight) << c.legend;
  EXPECT_EQ(tskUnitText(result.unitIndex), c.unit) << c.legend;
  EXPECT_EQ(result.stable, c.stable) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, TskReplyDecoding,
    ::testing::Values(
        ReplyCase{"known valid reply, 1.234 kg", {0x00, 0xD2, 0x04, 0x00, 0x03, 0x08, 0x63, 0xDB}, kTskOk, 1.234, "kg", 1},
        ReplyCase{"bits 1 and 3 of f5: kg wins", withCrc({0x00, 0x01, 0x00, 0x00, 0x00, 0x0A}), kTskOk, 1.0, "kg", 1},
        ReplyCase{"bit 1: pcs", withCrc({0x00, 0x05, 0x00, 0x00, 0x00, 0x02}), kTskOk, 5.0, "pcs", 1},
        ReplyCase{"bits 1 and 2: t", withCrc({0x00, 0x05, 0x00, 0x00, 0x01, 0x06}), kTskOk, 0.5, "t", 1},
        ReplyCase{"no unit bit: empty unit", withCrc({0x00, 0x05, 0x00, 0x00, 0x00, 0x00}), kTskOk, 5.0, "", 1},
        ReplyCase{"bit 5: unstable", withCrc({0x00, 0xD2, 0x04, 0x00, 0x03, 0x28}), kTskOk, 1.234, "kg", 0},
        ReplyCase{"f3 bit 7: negative", withCrc({0x00, 0xFF, 0xFF, 0xFF, 0x02, 0x08}), kTskOk, -0.01, "kg", 1},
        ReplyCase{"unused bits of f4 ignored", withCrc({0x00, 0x10, 0x00, 0x00, 0xF9, 0x08}), kTskOk, 1.6, "kg", 1},
        ReplyCase{"decimals 7: no valid weight", withCrc({0x00, 0xD2, 0x04, 0x00, 0x07, 0x08}), kTskNoWeight, 0, "", 0},
        ReplyCase{"bad checksum", {0x00, 0xD2, 0x04, 0x00, 0x03, 0x08, 0x63, 0xDA}, kTskBadCrc, 0, "", 0},
        ReplyCase{"one data bit flipped", {0x00, 0xD3, 0x04, 0x00, 0x03, 0x08, 0x63, 0xDB}, kTskBadCrc, 0, "", 0},
        ReplyCase{"all zeros", {}, kTskBadCrc, 0, "", 0}));

}  // namespace
}  // namespace tarvelo::link
