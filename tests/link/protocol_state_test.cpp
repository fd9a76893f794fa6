#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/b_balance.h"
#include "link/bm_balance.h"
#include "link/c_balance.h"
#include "link/tsk.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scripted_port.h"

namespace tarvelo::link {
namespace {

using tarvelo::testing::FakeClock;
using tarvelo::testing::ScriptedLine;
using tarvelo::testing::ScriptedPort;
using tarvelo::testing::scriptedPort;
using Bytes = std::vector<uint8_t>;

constexpr int kPort = 3;

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

template <std::size_t N>
std::string cString(const std::array<char, N>& chars) {
  return std::string(chars.begin(), std::find(chars.begin(), chars.end(), '\0'));
}

// Places filled with values no protocol delivers, so any write into them shows.
WeightReading presetPlaces() {
  WeightReading places;
  places.weight = -999.5;
  places.unit = {'o', 'z', 't', '\0'};
  const std::string model = "PRESETMODELXYZ";
  std::copy(model.begin(), model.end(), places.model.begin());
  places.serialNumber = 77;
  places.stable = 7;
  return places;
}

::testing::AssertionResult untouched(const WeightReading& places) {
  const WeightReading preset = presetPlaces();
  if (places.weight != preset.weight || places.unit != preset.unit ||
      places.model != preset.model || places.serialNumber != preset.serialNumber ||
      places.stable != preset.stable) {
    return ::testing::AssertionFailure()
           << "places were written: weight " << places.weight << ", unit '" << cString(places.unit)
           << "', model '" << cString(places.model) << "', serial " << places.serialNumber
           << ", stable " << int{places.stable};
  }
  return ::testing::AssertionSuccess();
}

// One protocol on a scripted line and a fake clock.
template <class Protocol>
struct Bench {
  using Maker = std::function<std::unique_ptr<Protocol>(ScriptedLine&, FakeClock&)>;

  static std::unique_ptr<Protocol> onScriptedPort(ScriptedLine& line, FakeClock& clock) {
    return std::make_unique<Protocol>(kPort, scriptedPort(line, clock), clock);
  }

  explicit Bench(const Maker& make = onScriptedPort) : protocol(make(line, clock)) {}

  uint8_t poll() {
    protocol->Poll(places);
    return protocol->state();
  }

  FakeClock clock;
  ScriptedLine line;
  std::unique_ptr<Protocol> protocol;
  WeightReading places = presetPlaces();
};

// ---------------------------------------------------------------------------
// TSK replies.

uint16_t ccittFalse(const Bytes& bytes) {
  uint16_t crc = 0xFFFF;
  for (const uint8_t byte : bytes) {
    crc ^= static_cast<uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) != 0 ? static_cast<uint16_t>((crc << 1) ^ 0x1021)
                                : static_cast<uint16_t>(crc << 1);
    }
  }
  return crc;
}

// A TSK reply with its CRC: reading (24-bit, least significant byte first), f4, f5.
Bytes tskReply(int32_t reading, uint8_t f4, uint8_t f5) {
  const auto raw = static_cast<uint32_t>(reading) & 0xFFFFFF;
  Bytes reply{0x00,
              static_cast<uint8_t>(raw),
              static_cast<uint8_t>(raw >> 8),
              static_cast<uint8_t>(raw >> 16),
              f4,
              f5};
  const uint16_t crc = ccittFalse(reply);
  reply.push_back(static_cast<uint8_t>(crc >> 8));
  reply.push_back(static_cast<uint8_t>(crc & 0xFF));
  return reply;
}

const Bytes kTsk1234KgStable{0x00, 0xD2, 0x04, 0x00, 0x03, 0x08, 0x63, 0xDB};
const Bytes kTskNoWeight = tskReply(0, 0x07, 0x08);
const Bytes kTskBadCrc{0x00, 0xD2, 0x04, 0x00, 0x03, 0x08, 0x63, 0xDA};
const Bytes kTskSilent{};

// ---------------------------------------------------------------------------
// A B balance on the scripted line: it answers each byte written with one byte.
// During the handshake a zero is answered with the next scripted answer (zero once
// they run out) and 01 with 02; after it, bytes are answered from the scripted
// frames in order; once those run out the balance is silent.

const Bytes kBProbeAnswer{0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x3C, 'S', 'q', 0x00, 0x00, 0x00};
const Bytes kBSelectAnswer(8, 0x00);
const Bytes kBIdentityKm42Serial1234{0x04, 0xD2, 0x2A, 0x00, 0x00, 0x04, 0xD2, 0x01};
const Bytes kBIdentityKm7391MSerial1234{0x04, 0xD2, 0xA5, 0x85, 0x00, 0x04, 0xD2, 0x01};
const Bytes kBWeight1234GramsStable{0x04, 0xD2, 0xA7, 0x83, 0x00, 0x04, 0xD2, 0x00};
const Bytes kBWeight1234KgUnsettled{0x04, 0xD2, 0xD7, 0x53, 0x00, 0x04, 0xD2, 0x00};
const Bytes kBWeightMinus1234GramsStable{0xFB, 0x2E, 0x55, 0x83, 0xFF, 0xFB, 0x2E, 0x00};
const Bytes kBWeightBadSums{0x04, 0xD2, 0xA7, 0x83, 0x00, 0x04, 0xD3, 0x00};
const Bytes kBWeightQuery{'S', 'i', 'm', 'p', 'l', 'e', 'G', 0x01};

struct BBalanceScript {
  std::deque<uint8_t> handshakeAnswers;
  std::deque<Bytes> frames;
  bool handshakeDone = false;
  std::deque<uint8_t> frameLeft;

  void answer(uint8_t written, ScriptedLine& line) {
    if (!handshakeDone) {
      if (written == 0x01) {
        line.incoming.push_back(0x02);
        handshakeDone = true;
        return;
      }
      uint8_t reply = 0x00;
      if (!handshakeAnswers.empty()) {
        reply = handshakeAnswers.front();
        handshakeAnswers.pop_front();
      }
      line.incoming.push_back(reply);
      return;
    }
    if (frameLeft.empty()) {
      if (frames.empty()) return;
      frameLeft.assign(frames.front().begin(), frames.front().end());
      frames.pop_front();
    }
    line.incoming.push_back(frameLeft.front());
    frameLeft.pop_front();
  }
};

std::deque<Bytes> bContactFrames(const Bytes& identity = kBIdentityKm42Serial1234) {
  return {kBProbeAnswer, kBSelectAnswer, identity};
}

std::shared_ptr<BBalanceScript> attachBBalance(ScriptedLine& line, std::deque<Bytes> frames,
                                               std::deque<uint8_t> handshakeAnswers = {}) {
  auto balance = std::make_shared<BBalanceScript>();
  balance->frames = std::move(frames);
  balance->handshakeAnswers = std::move(handshakeAnswers);
  line.onWrite = [balance](const uint8_t* bytes, int n, ScriptedLine& l) {
    for (int i = 0; i < n; ++i) balance->answer(bytes[i], l);
  };
  return balance;
}

// ---------------------------------------------------------------------------
// BM lines.

const Bytes kBmSync = bytesOf("9 4567\r\n");
const Bytes kBmLine12345Grams = bytesOf("  12.345g   BM 310 4567\r\n");
const Bytes kBmLineUnsettled = bytesOf("   0.500    BM 310 4567\r\n");
const Bytes kBmLineMinusKg = bytesOf("  -1.250kg  BM5000 12\r\n");

// ===========================================================================
// What every protocol does alike.

struct ProtocolCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const ProtocolCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  Bench<CBalance>::Maker make;
  uint32_t baud;
  uint8_t parity;
  // Scripts a balance that gives contact and one reading, then falls silent.
  std::function<void(ScriptedLine&)> scriptOneReading;
  int failedPollsToLoseContact;
};

template <class Protocol>
Bench<CBalance>::Maker makerOf() {
  return [](ScriptedLine& line, FakeClock& clock) -> std::unique_ptr<CBalance> {
    return std::make_unique<Protocol>(kPort, scriptedPort(line, clock), clock);
  };
}

class EveryProtocol : public ::testing::TestWithParam<ProtocolCase> {};

TEST_P(EveryProtocol, OpensThePortWithItsLineSettings) {
  const ProtocolCase& c = GetParam();
  Bench<CBalance> bench(c.make);
  ASSERT_EQ(bench.protocol->state(), PortClosed);

  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.line.opens, 1);
  EXPECT_TRUE(bench.protocol->isOpen());
  EXPECT_EQ(bench.line.lastBaud, c.baud);
  EXPECT_EQ(bench.line.lastParity, c.parity);
  EXPECT_EQ(bench.protocol->port(), kPort);
  EXPECT_TRUE(untouched(bench.places));
}

TEST_P(EveryProtocol, StaysClosedWhileThePortCannotBeOpenedAndRetriesOnTheNextPoll) {
  const ProtocolCase& c = GetParam();
  Bench<CBalance> bench(c.make);
  bench.line.openFails = true;

  EXPECT_EQ(bench.poll(), PortClosed);
  EXPECT_EQ(bench.poll(), PortClosed);
  EXPECT_EQ(bench.line.opens, 0);

  bench.line.openFails = false;
  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.line.opens, 1);
}

TEST_P(EveryProtocol, DeliversOnceInContactAndRearmReturnsToContact) {
  const ProtocolCase& c = GetParam();
  Bench<CBalance> bench(c.make);
  c.scriptOneReading(bench.line);

  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_TRUE(untouched(bench.places));
  EXPECT_EQ(bench.poll(), ReadingReady);
  EXPECT_FALSE(untouched(bench.places));

  // A reading not yet taken stays as it is, however often Poll runs.
  bench.places = presetPlaces();
  const std::size_t writtenBefore = bench.line.written.size();
  EXPECT_EQ(bench.poll(), ReadingReady);
  EXPECT_TRUE(untouched(bench.places));
  EXPECT_EQ(bench.line.written.size(), writtenBefore);

  bench.protocol->Rearm();
  EXPECT_EQ(bench.protocol->state(), InContact);
}

TEST_P(EveryProtocol, LosesContactWhenTheBalanceFallsSilent) {
  const ProtocolCase& c = GetParam();
  Bench<CBalance> bench(c.make);
  c.scriptOneReading(bench.line);
  for (int i = 0; i < 3; ++i) bench.poll();
  ASSERT_EQ(bench.protocol->state(), ReadingReady);
  bench.protocol->Rearm();
  bench.places = presetPlaces();

  ::testing::internal::CaptureStdout();
  for (int i = 1; i < c.failedPollsToLoseContact; ++i) EXPECT_EQ(bench.poll(), InContact) << i;
  EXPECT_EQ(bench.poll(), NoContact);
  ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(untouched(bench.places));
  EXPECT_TRUE(bench.protocol->isOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Protocols, EveryProtocol,
    ::testing::Values(
        ProtocolCase{"TSK: 9600 even; a reply for contact, one delivered; three failures lose it",
                     makerOf<TSK>(), 9600, kParityEven,
                     [](ScriptedLine& line) {
                       line.feed(kTsk1234KgStable);
                       line.feed(kTsk1234KgStable);
                     },
                     3},
        ProtocolCase{
            "B: 19200 no parity; handshake, identity, one weight frame; one failure loses it",
            makerOf<B_balance>(), 19200, kParityNone,
            [](ScriptedLine& line) {
              auto frames = bContactFrames();
              frames.push_back(kBWeight1234GramsStable);
              attachBBalance(line, frames);
            },
            1},
        ProtocolCase{"BM: 2400 even; CR LF, one line; one failure loses it", makerOf<BM_balance>(),
                     2400, kParityEven,
                     [](ScriptedLine& line) {
                       line.feed(kBmSync);
                       line.feed(kBmLine12345Grams);
                     },
                     1}),
    [](const ::testing::TestParamInfo<ProtocolCase>& info) {
      return std::string(info.index == 0 ? "Tsk" : info.index == 1 ? "B" : "Bm");
    });

// ===========================================================================
// TSK

// Opens the port and answers the first query so the protocol is in contact.
::testing::AssertionResult reachTskContact(Bench<TSK>& bench) {
  bench.line.feed(kTsk1234KgStable);
  bench.poll();
  if (bench.poll() != InContact) return ::testing::AssertionFailure() << "no contact";
  bench.line.written.clear();
  return ::testing::AssertionSuccess();
}

TEST(TskProtocol, QueryWritesExactlyTheFourRequestBytes) {
  Bench<TSK> bench;
  bench.line.feed(kTsk1234KgStable);
  bench.poll();
  bench.poll();

  EXPECT_EQ(bench.line.written, (Bytes{0x00, 0x55, 0x17, 0x5F}));
}

TEST(TskProtocol, FirstValidReplyOnlyProvesContactAndIsNotDelivered) {
  Bench<TSK> bench;
  bench.line.feed(kTsk1234KgStable);
  ASSERT_EQ(bench.poll(), NoContact);

  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_TRUE(untouched(bench.places));
  EXPECT_TRUE(bench.line.incoming.empty()) << "the reply was read";
}

struct TskDeliveryCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const TskDeliveryCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  Bytes reply;
  double weight;
  std::string unit;
  uint8_t stable;
};

class TskDelivery : public ::testing::TestWithParam<TskDeliveryCase> {};

TEST_P(TskDelivery, WritesWeightUnitAndStabilityButNotModelOrSerial) {
  const TskDeliveryCase& c = GetParam();
  Bench<TSK> bench;
  ASSERT_TRUE(reachTskContact(bench));
  bench.line.feed(c.reply);

  ASSERT_EQ(bench.poll(), ReadingReady) << c.legend;
  EXPECT_DOUBLE_EQ(bench.places.weight, c.weight) << c.legend;
  EXPECT_EQ(cString(bench.places.unit), c.unit) << c.legend;
  EXPECT_EQ(bench.places.stable, c.stable) << c.legend;
  EXPECT_EQ(cString(bench.places.model), "PRESETMODELXYZ") << c.legend;
  EXPECT_EQ(bench.places.serialNumber, 77) << c.legend;
  EXPECT_EQ(bench.protocol->errorCount(), 0) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, TskDelivery,
    ::testing::Values(
        TskDeliveryCase{"1.234 kg, settled", kTsk1234KgStable, 1.234, "kg", 1},
        TskDeliveryCase{"0.5 t, not settled: the shorter unit replaces the old one whole",
                        tskReply(5, 0x01, 0x24), 0.5, "t", 0},
        TskDeliveryCase{"-12 pcs", tskReply(-12, 0x00, 0x02), -12.0, "pcs", 1},
        TskDeliveryCase{"no unit bit: empty unit", tskReply(250, 0x02, 0x00), 2.5, "", 1}));

TEST(TskProtocol, NoWeightReplyInSearchGivesContactWithoutDelivery) {
  Bench<TSK> bench;
  bench.poll();
  bench.line.feed(kTskNoWeight);

  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_TRUE(untouched(bench.places));
}

TEST(TskProtocol, NoWeightReplyInSearchClearsEarlierFailures) {
  Bench<TSK> bench;
  bench.poll();
  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.poll(), NoContact);
  bench.line.feed(kTskNoWeight);

  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(bench.protocol->errorCount(), 0);
}

TEST(TskProtocol, NoWeightReplyInContactResetsTheFailureCount) {
  Bench<TSK> bench;
  ASSERT_TRUE(reachTskContact(bench));
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(bench.poll(), InContact);
  ASSERT_EQ(bench.protocol->errorCount(), 2);
  bench.line.feed(kTskNoWeight);

  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(bench.protocol->errorCount(), 0);
  EXPECT_TRUE(untouched(bench.places));
  // Two more failures are not yet three in a row.
  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(bench.poll(), NoContact);
  ::testing::internal::GetCapturedStdout();
}

struct TskFailureCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const TskFailureCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  std::array<Bytes, 3> answers;  // what the balance sends to each of three queries
  std::string printed;
};

class TskFailures : public ::testing::TestWithParam<TskFailureCase> {};

TEST_P(TskFailures, ThreeFailedQueriesDropContactAndReportTheLastFailure) {
  const TskFailureCase& c = GetParam();
  Bench<TSK> bench;
  ASSERT_TRUE(reachTskContact(bench));

  ::testing::internal::CaptureStdout();
  bench.line.feed(c.answers[0]);
  const uint8_t afterFirst = bench.poll();
  bench.line.feed(c.answers[1]);
  const uint8_t afterSecond = bench.poll();
  bench.line.feed(c.answers[2]);
  const uint8_t afterThird = bench.poll();
  const std::string printed = ::testing::internal::GetCapturedStdout();

  EXPECT_EQ(afterFirst, InContact) << c.legend;
  EXPECT_EQ(afterSecond, InContact) << c.legend;
  EXPECT_EQ(afterThird, NoContact) << c.legend;
  EXPECT_EQ(printed, c.printed) << c.legend;
  EXPECT_EQ(bench.protocol->errorCount(), 0) << c.legend;
  EXPECT_TRUE(untouched(bench.places)) << c.legend;
  EXPECT_TRUE(bench.protocol->isOpen()) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, TskFailures,
    ::testing::Values(
        TskFailureCase{"three silent queries", {kTskSilent, kTskSilent, kTskSilent}, "Error: 4\n"},
        TskFailureCase{
            "three replies with a bad CRC", {kTskBadCrc, kTskBadCrc, kTskBadCrc}, "Error: 2\n"},
        TskFailureCase{"three replies cut short",
                       {Bytes{0x00, 0xD2, 0x04}, Bytes{0x00}, Bytes{0x00, 0xD2}},
                       "Error: 4\n"},
        TskFailureCase{"silent, silent, bad CRC: the last failure is named",
                       {kTskSilent, kTskSilent, kTskBadCrc},
                       "Error: 2\n"},
        TskFailureCase{
            "bad CRC, bad CRC, silent", {kTskBadCrc, kTskBadCrc, kTskSilent}, "Error: 4\n"}));

TEST(TskProtocol, DeliveryBetweenFailuresRestartsTheCount) {
  Bench<TSK> bench;
  ASSERT_TRUE(reachTskContact(bench));
  ::testing::internal::CaptureStdout();
  bench.poll();
  bench.poll();
  bench.line.feed(kTsk1234KgStable);
  ASSERT_EQ(bench.poll(), ReadingReady);
  bench.protocol->Rearm();

  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST(TskProtocol, ThreeFailuresWithoutContactCloseAndTheNextPollReopens) {
  Bench<TSK> bench;
  ASSERT_EQ(bench.poll(), NoContact);

  ::testing::internal::CaptureStdout();
  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.poll(), PortClosed);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "only a lost contact is reported";
  EXPECT_EQ(bench.line.written.size(), 3 * 4u) << "one request per failed query";

  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.line.opens, 2);
  EXPECT_EQ(bench.line.lastBaud, 9600u);
  EXPECT_EQ(bench.line.lastParity, kParityEven);
  EXPECT_EQ(bench.protocol->errorCount(), 0);
}

TEST(TskProtocol, SilentQueryWaitsOutTheReadTimeOut) {
  Bench<TSK> bench;
  ASSERT_TRUE(reachTskContact(bench));
  const uint32_t before = bench.clock.tickCount();

  bench.poll();
  EXPECT_GE(bench.clock.tickCount() - before, static_cast<uint32_t>(kTotalTimeoutConstantMs));
}

// ===========================================================================
// B balance

TEST(BBalanceProtocol, ReachesContactAfterHandshakeAndIdentification) {
  Bench<B_balance> bench;
  attachBBalance(bench.line, bContactFrames());

  ASSERT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(bench.protocol->modelCode(), 0x00);
  EXPECT_EQ(bench.protocol->serialNumber(), 1234);
  EXPECT_TRUE(untouched(bench.places));

  Bytes handshake(15, 0x00);
  handshake.push_back(0x01);
  ASSERT_GE(bench.line.written.size(), handshake.size());
  EXPECT_TRUE(std::equal(handshake.begin(), handshake.end(), bench.line.written.begin()))
      << "fifteen zeros, then 01";
}

struct BDeliveryCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const BDeliveryCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  Bytes identity;
  Bytes weightFrame;
  double weight;
  std::string unit;
  uint8_t stable;
  std::string model;
  int32_t serial;
};

class BDelivery : public ::testing::TestWithParam<BDeliveryCase> {};

TEST_P(BDelivery, WritesWeightUnitStabilityModelAndSerial) {
  const BDeliveryCase& c = GetParam();
  Bench<B_balance> bench;
  auto frames = bContactFrames(c.identity);
  frames.push_back(c.weightFrame);
  attachBBalance(bench.line, frames);
  bench.poll();
  ASSERT_EQ(bench.poll(), InContact) << c.legend;
  bench.line.written.clear();

  ASSERT_EQ(bench.poll(), ReadingReady) << c.legend;
  EXPECT_EQ(bench.line.written, kBWeightQuery) << c.legend;
  EXPECT_DOUBLE_EQ(bench.places.weight, c.weight) << c.legend;
  EXPECT_EQ(cString(bench.places.unit), c.unit) << c.legend;
  EXPECT_EQ(bench.places.stable, c.stable) << c.legend;
  EXPECT_EQ(cString(bench.places.model), c.model) << c.legend;
  EXPECT_EQ(bench.places.serialNumber, c.serial) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, BDelivery,
    ::testing::Values(BDeliveryCase{"KM42-01 no. 1234, 1.234 g settled", kBIdentityKm42Serial1234,
                                    kBWeight1234GramsStable, 1.234, "g", 1, "KM42-01", 1234},
                      BDeliveryCase{"KM7391M-1 no. 1234, 1.234 kg not settled",
                                    kBIdentityKm7391MSerial1234, kBWeight1234KgUnsettled, 1.234,
                                    "kg", 0, "KM7391M-1", 1234},
                      BDeliveryCase{"KM42-01 no. 1234, -1.234 g settled", kBIdentityKm42Serial1234,
                                    kBWeightMinus1234GramsStable, -1.234, "g", 1, "KM42-01",
                                    1234}));

TEST(BBalanceProtocol, WeightFrameWithBadSumsKeepsContactAndDeliversNothing) {
  Bench<B_balance> bench;
  auto frames = bContactFrames();
  frames.push_back(kBWeightBadSums);
  frames.push_back(kBWeight1234GramsStable);
  attachBBalance(bench.line, frames);
  bench.poll();
  ASSERT_EQ(bench.poll(), InContact);

  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_TRUE(untouched(bench.places));

  EXPECT_EQ(bench.poll(), ReadingReady);
  EXPECT_DOUBLE_EQ(bench.places.weight, 1.234);
}

TEST(BBalanceProtocol, FailedReadInContactDropsToNoContact) {
  Bench<B_balance> bench;
  attachBBalance(bench.line, bContactFrames());
  bench.poll();
  ASSERT_EQ(bench.poll(), InContact);

  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_TRUE(untouched(bench.places));
  EXPECT_TRUE(bench.protocol->isOpen());
}

TEST(BBalanceProtocol, WeightFrameCutShortDropsContact) {
  Bench<B_balance> bench;
  auto frames = bContactFrames();
  frames.push_back(Bytes{0x04, 0xD2, 0xA7, 0x83});
  attachBBalance(bench.line, frames);
  bench.poll();
  ASSERT_EQ(bench.poll(), InContact);

  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_TRUE(untouched(bench.places));
}

TEST(BBalanceProtocol, SilentBalanceNeverGivesContact) {
  Bench<B_balance> bench;
  bench.poll();

  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.line.written, (Bytes{0x00, 0x00})) << "the first unanswered zero ends each try";
}

TEST(BBalanceProtocol, IdentityWithoutItsEndMarkGivesNoContact) {
  Bench<B_balance> bench;
  Bytes identity = kBIdentityKm42Serial1234;
  identity[7] = 0x00;
  attachBBalance(bench.line, bContactFrames(identity));
  bench.poll();

  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_EQ(bench.protocol->modelCode(), -1);
}

struct HandshakeCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const HandshakeCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  std::deque<uint8_t> answers;  // answers to the zeros, then zeros
  uint8_t state;
  std::size_t zerosWritten;
};

std::deque<uint8_t> zerosThen(int zeros, uint8_t other, int times) {
  std::deque<uint8_t> answers;
  for (int t = 0; t < times; ++t) {
    answers.insert(answers.end(), static_cast<std::size_t>(zeros), 0x00);
    answers.push_back(other);
  }
  return answers;
}

class BHandshake : public ::testing::TestWithParam<HandshakeCase> {};

TEST_P(BHandshake, NeedsFifteenZeroAnswersInARow) {
  const HandshakeCase& c = GetParam();
  Bench<B_balance> bench;
  attachBBalance(bench.line, bContactFrames(), c.answers);
  bench.poll();

  EXPECT_EQ(bench.poll(), c.state) << c.legend;
  const auto end = std::find(bench.line.written.begin(), bench.line.written.end(), 0x01);
  EXPECT_EQ(static_cast<std::size_t>(end - bench.line.written.begin()), c.zerosWritten) << c.legend;
  EXPECT_EQ(end != bench.line.written.end(), c.state == InContact) << c.legend << ": 01 written";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BHandshake,
    ::testing::Values(HandshakeCase{"fifteen zeros at once", {}, InContact, 15},
                      HandshakeCase{"a non-zero after fourteen zeros starts the count again",
                                    zerosThen(14, 0x55, 1), InContact, 30},
                      HandshakeCase{"a non-zero first answer starts the count again",
                                    zerosThen(0, 0xFF, 1), InContact, 16},
                      HandshakeCase{"never fifteen in a row within forty tries",
                                    zerosThen(14, 0x55, 3), NoContact, 40}));

struct BIdentifyCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const BIdentifyCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  Bytes badAnswer;  // what the balance answers to the first probes
  int badProbes;
  uint8_t state;
  uint32_t pausedMs;
};

class BIdentify : public ::testing::TestWithParam<BIdentifyCase> {};

TEST_P(BIdentify, ProbesTwentyTimesAndPausesOnlyAfterBadSums) {
  const BIdentifyCase& c = GetParam();
  Bench<B_balance> bench;
  std::deque<Bytes> frames(static_cast<std::size_t>(c.badProbes), c.badAnswer);
  for (const Bytes& frame : bContactFrames()) frames.push_back(frame);
  attachBBalance(bench.line, frames);
  bench.poll();
  const uint32_t before = bench.clock.tickCount();

  EXPECT_EQ(bench.poll(), c.state) << c.legend;
  EXPECT_EQ(bench.clock.tickCount() - before, c.pausedMs) << c.legend;
}

const Bytes kBProbeBadSums(16, 0x01);
// Passes the sums but carries 'S' 'p' where a B balance answers 'S' 'q'.
const Bytes kBProbeOtherDevice{0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x3D, 'S', 'p', 0x00, 0x00, 0x00};

INSTANTIATE_TEST_SUITE_P(
    Probes, BIdentify,
    ::testing::Values(BIdentifyCase{"19 answers with bad sums, then a good one", kBProbeBadSums, 19,
                                    InContact, 1900},
                      BIdentifyCase{"20 answers with bad sums", kBProbeBadSums, 20, NoContact, 2000},
                      BIdentifyCase{"19 answers of another device, then a good one",
                                    kBProbeOtherDevice, 19, InContact, 0},
                      BIdentifyCase{"20 answers of another device", kBProbeOtherDevice, 20,
                                    NoContact, 0}));

// ===========================================================================
// BM balance

// Opens the port and synchronises on the CR LF the balance sends first.
::testing::AssertionResult reachBmContact(Bench<BM_balance>& bench) {
  bench.poll();
  if (bench.poll() != InContact) return ::testing::AssertionFailure() << "no contact";
  return ::testing::AssertionSuccess();
}

TEST(BmBalanceProtocol, SynchronisesOnCrLfBeforeReadingALine) {
  Bench<BM_balance> bench;
  bench.line.feed(kBmSync);
  bench.line.feed(kBmLine12345Grams);
  ASSERT_EQ(bench.poll(), NoContact);

  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(Bytes(bench.line.incoming.begin(), bench.line.incoming.end()), kBmLine12345Grams)
      << "reading stopped right after the CR LF";
  EXPECT_TRUE(untouched(bench.places));
}

TEST(BmBalanceProtocol, LineWithoutCrLfGivesNoContact) {
  Bench<BM_balance> bench;
  bench.line.feed(bytesOf("  12.345g   BM 310 4567"));
  bench.poll();

  EXPECT_EQ(bench.poll(), NoContact);
}

struct BmDeliveryCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const BmDeliveryCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  Bytes line;
  double weight;
  std::string unit;  // all three characters
  uint8_t stable;
  std::string model;
  int32_t serial;
};

class BmDelivery : public ::testing::TestWithParam<BmDeliveryCase> {};

TEST_P(BmDelivery, WritesWeightUnitStabilityModelAndSerial) {
  const BmDeliveryCase& c = GetParam();
  Bench<BM_balance> bench;
  bench.line.feed(kBmSync);
  bench.line.feed(c.line);
  ASSERT_TRUE(reachBmContact(bench)) << c.legend;

  ASSERT_EQ(bench.poll(), ReadingReady) << c.legend;
  EXPECT_DOUBLE_EQ(bench.places.weight, c.weight) << c.legend;
  EXPECT_EQ(std::string(bench.places.unit.data(), 3), c.unit) << c.legend;
  EXPECT_EQ(bench.places.unit[3], '\0') << c.legend;
  EXPECT_EQ(bench.places.stable, c.stable) << c.legend;
  EXPECT_EQ(cString(bench.places.model), c.model) << c.legend;
  EXPECT_EQ(bench.places.serialNumber, c.serial) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BmDelivery,
    ::testing::Values(BmDeliveryCase{"12.345 g settled, model with its trailing blank",
                                     kBmLine12345Grams, 12.345, "g  ", 1, "BM 310 ", 4567},
                      BmDeliveryCase{"three blanks for a unit: not settled", kBmLineUnsettled, 0.5,
                                     "   ", 0, "BM 310 ", 4567},
                      BmDeliveryCase{"-1.25 kg", kBmLineMinusKg, -1.25, "kg ", 1, "BM5000 ", 12}));

struct BmMalformedCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const BmMalformedCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  Bytes bad;
};

class BmMalformed : public ::testing::TestWithParam<BmMalformedCase> {};

TEST_P(BmMalformed, IsSkippedAndTheNextPollReadsOnFromWhereItStopped) {
  const BmMalformedCase& c = GetParam();
  Bench<BM_balance> bench;
  bench.line.feed(kBmSync);
  bench.line.feed(c.bad);
  bench.line.feed(kBmLine12345Grams);
  ASSERT_TRUE(reachBmContact(bench)) << c.legend;

  EXPECT_EQ(bench.poll(), InContact) << c.legend;
  EXPECT_TRUE(untouched(bench.places)) << c.legend;
  EXPECT_EQ(Bytes(bench.line.incoming.begin(), bench.line.incoming.end()), kBmLine12345Grams)
      << c.legend;

  EXPECT_EQ(bench.poll(), ReadingReady) << c.legend;
  EXPECT_DOUBLE_EQ(bench.places.weight, 12.345) << c.legend;
  EXPECT_EQ(bench.places.serialNumber, 4567) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BmMalformed,
    ::testing::Values(BmMalformedCase{"last blank before position 12",
                                      bytesOf("  12.345g   BM3104567\r\n")},
                      BmMalformedCase{"no blank at all", bytesOf("12.345gBM3104567\r\n")},
                      BmMalformedCase{"fifty bytes without CR LF", Bytes(50, 'x')}));

TEST(BmBalanceProtocol, FiftyBytesWithoutCrLfAreOneMalformedLineAndTheRestIsTheNext) {
  Bench<BM_balance> bench;
  bench.line.feed(kBmSync);
  bench.line.feed(Bytes(50, 'x'));
  bench.line.feed(bytesOf("   7.000g   BM 310 1\r\n"));
  ASSERT_TRUE(reachBmContact(bench));

  EXPECT_EQ(bench.poll(), InContact);
  EXPECT_EQ(bench.line.incoming.size(), 22u) << "exactly fifty bytes were read";
  EXPECT_EQ(bench.poll(), ReadingReady);
  EXPECT_DOUBLE_EQ(bench.places.weight, 7.0);
}

TEST(BmBalanceProtocol, ReadFailureInContactDropsToNoContact) {
  Bench<BM_balance> bench;
  bench.line.feed(kBmSync);
  bench.line.feed(bytesOf("  12.3"));
  ASSERT_TRUE(reachBmContact(bench));

  EXPECT_EQ(bench.poll(), NoContact);
  EXPECT_TRUE(untouched(bench.places));
  EXPECT_TRUE(bench.protocol->isOpen());
}

TEST(BmBalanceProtocol, TwoLinesInOneChunkGiveTwoReadings) {
  Bench<BM_balance> bench;
  bench.line.feed(joined({kBmSync, kBmLine12345Grams, kBmLineMinusKg}));
  ASSERT_TRUE(reachBmContact(bench));

  ASSERT_EQ(bench.poll(), ReadingReady);
  EXPECT_DOUBLE_EQ(bench.places.weight, 12.345);
  EXPECT_EQ(bench.places.serialNumber, 4567);
  bench.protocol->Rearm();

  ASSERT_EQ(bench.poll(), ReadingReady);
  EXPECT_DOUBLE_EQ(bench.places.weight, -1.25);
  EXPECT_EQ(std::string(bench.places.unit.data(), 3), "kg ");
  EXPECT_EQ(cString(bench.places.model), "BM5000 ");
  EXPECT_EQ(bench.places.serialNumber, 12);
  EXPECT_TRUE(bench.line.incoming.empty());
}

// A scripted port whose line receives its bytes in pieces: the next piece arrives
// only once everything before it has been read.
class PiecewisePort final : public PortBackend {
 public:
  PiecewisePort(ScriptedLine& line, FakeClock& clock, std::deque<Bytes> pieces)
      : line_(line), port_(line, clock), pieces_(std::move(pieces)) {}

  std::optional<Failure> open(int portNumber) override { return port_.open(portNumber); }
  std::optional<Failure> configure(uint32_t baud, uint8_t parity) override { return port_.configure(baud, parity); }
  std::optional<Failure> close() override { return port_.close(); }
  bool isOpen() const override { return port_.isOpen(); }
  int read(uint8_t* buffer, int n) override {
    if (line_.incoming.empty() && !pieces_.empty()) {
      line_.feed(pieces_.front());
      pieces_.pop_front();
    }
    return port_.read(buffer, n);
  }
  int write(const uint8_t* buffer, int n) override { return port_.write(buffer, n); }
  uint32_t takeLineErrors() override { return port_.takeLineErrors(); }

 private:
  ScriptedLine& line_;
  ScriptedPort port_;
  std::deque<Bytes> pieces_;
};

TEST(BmBalanceProtocol, LineSplitOverReadsIsReadWhole) {
  const std::deque<Bytes> pieces{bytesOf("\r"),      bytesOf("\n  12"), bytesOf(".345g   BM"),
                                 bytesOf(" 310 45"), bytesOf("67\r"),   bytesOf("\n")};
  Bench<BM_balance> bench([&pieces](ScriptedLine& line, FakeClock& clock) {
    return std::make_unique<BM_balance>(kPort, std::make_unique<PiecewisePort>(line, clock, pieces),
                                        clock);
  });
  ASSERT_TRUE(reachBmContact(bench));

  ASSERT_EQ(bench.poll(), ReadingReady);
  EXPECT_DOUBLE_EQ(bench.places.weight, 12.345);
  EXPECT_EQ(std::string(bench.places.unit.data(), 3), "g  ");
  EXPECT_EQ(cString(bench.places.model), "BM 310 ");
  EXPECT_EQ(bench.places.serialNumber, 4567);
  EXPECT_EQ(bench.places.stable, 1);
}

struct BmSyncCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const BmSyncCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  std::deque<Bytes> pieces;  // an empty piece is a one-byte read that times out
  uint8_t state;
  std::size_t bytesLeft;      // bytes never read
  uint32_t timeOuts;          // one-byte read time-outs spent
};

class BmSynchronisation : public ::testing::TestWithParam<BmSyncCase> {};

TEST_P(BmSynchronisation, TriesThirtyTwoBytesWhileTheyArriveAndGivesUpOnTwoSilentReads) {
  const BmSyncCase& c = GetParam();
  Bench<BM_balance> bench([&c](ScriptedLine& line, FakeClock& clock) {
    return std::make_unique<BM_balance>(kPort, std::make_unique<PiecewisePort>(line, clock, c.pieces),
                                        clock);
  });
  ASSERT_EQ(bench.poll(), NoContact);
  const uint32_t before = bench.clock.tickCount();

  EXPECT_EQ(bench.poll(), c.state) << c.legend;
  EXPECT_EQ(bench.line.incoming.size(), c.bytesLeft) << c.legend;
  EXPECT_EQ(bench.clock.tickCount() - before, c.timeOuts * (kTotalTimeoutConstantMs + 1u)) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BmSynchronisation,
    ::testing::Values(
        BmSyncCase{"CR LF after 31 other bytes: found on the last attempt",
                   {joined({Bytes(31, 'x'), bytesOf("\r\n")})}, InContact, 0, 0},
        BmSyncCase{"CR LF after 32 other bytes: attempts used up", {joined({Bytes(32, 'x'), bytesOf("\r\n")})},
                   NoContact, 2, 0},
        BmSyncCase{"a CR not followed by LF spends one attempt on both bytes",
                   {joined({Bytes(15, 'x'), bytesOf("\rx"), Bytes(14, 'x'), bytesOf("\r\n")})},
                   InContact, 0, 0},
        BmSyncCase{"silent line: two time-outs end it", {}, NoContact, 0, 2},
        BmSyncCase{"bytes, then silence", {bytesOf("xyz"), {}, {}, bytesOf("\r\n")}, NoContact, 0, 2},
        BmSyncCase{"silence after a CR counts too", {bytesOf("\r"), {}, {}, bytesOf("\r\n")}, NoContact, 0, 2},
        BmSyncCase{"a byte between two time-outs keeps the search going",
                   {{}, bytesOf("x"), {}, bytesOf("\r\n")}, InContact, 0, 2}));

}  // namespace
}  // namespace tarvelo::link
