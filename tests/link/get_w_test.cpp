#include "link/get_w.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/stop_signal.h"
#include "tests/support/fake_clock.h"
#include "tests/support/scripted_port.h"

namespace tarvelo::link {
namespace {

using tarvelo::testing::FakeClock;
using tarvelo::testing::ScriptedLine;
using tarvelo::testing::ScriptedPort;
using Bytes = std::vector<uint8_t>;

constexpr int kPort = 5;
constexpr uint32_t kWindowMs = 1500;
// More open attempts than this in one run means the driver retries without pausing.
constexpr int kRunawayOpenAttempts = 100'000;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A BM line with the given weight: unit "g  ", model "BM 310 ", serial 4567.
Bytes bmLine(double weight) {
  // The balance writes a point whatever the locale of this process.
  char number[16];
  const auto end = std::to_chars(number, number + sizeof number, weight, std::chars_format::fixed, 3).ptr;
  std::string text(number, end);
  text.insert(0, 8 - std::min<std::size_t>(8, text.size()), ' ');
  return bytesOf(text + "g   BM 310 4567\r\n");
}

const Bytes kBmMalformedLine = bytesOf("   1.500g   BM3104567\r\n");

// What the driver did to the ports it made.
struct PortWatch {
  int openAttempts = 0;
  int openNow = 0;
  int mostOpenAtOnce = 0;
  uint32_t msPerByte = 0;   // fake time each received byte takes on the line
  uint32_t lastByteAt = 0;  // tick after the last byte was read
};

// A scripted port that counts open attempts, notes how many ports are open at once,
// lets received bytes take time, and stops a driver that retries without end.
class WatchedPort final : public PortBackend {
 public:
  WatchedPort(ScriptedLine& line, FakeClock& clock, PortWatch& watch)
      : port_(line, clock), clock_(clock), watch_(watch) {}
  ~WatchedPort() override { close(); }

  std::optional<Failure> open(int portNumber) override {
    if (++watch_.openAttempts > kRunawayOpenAttempts)
      throw std::runtime_error("open retried without end");
    if (std::optional<Failure> failure = port_.open(portNumber)) return failure;
    watch_.mostOpenAtOnce = std::max(watch_.mostOpenAtOnce, ++watch_.openNow);
    return std::nullopt;
  }
  std::optional<Failure> configure(uint32_t baud, uint8_t parity) override { return port_.configure(baud, parity); }
  std::optional<Failure> close() override {
    if (port_.isOpen()) --watch_.openNow;
    return port_.close();
  }
  bool isOpen() const override { return port_.isOpen(); }
  int read(uint8_t* buffer, int n) override {
    const int moved = port_.read(buffer, n);
    clock_.advance(watch_.msPerByte * static_cast<uint32_t>(moved));
    if (moved > 0) watch_.lastByteAt = clock_.tickCount();
    return moved;
  }
  int write(const uint8_t* buffer, int n) override { return port_.write(buffer, n); }
  uint32_t takeLineErrors() override { return port_.takeLineErrors(); }

 private:
  ScriptedPort port_;
  FakeClock& clock_;
  PortWatch& watch_;
};

// A memory of protocols per port that counts its writes.
struct FakeMemory final : ProtocolMemory {
  std::map<int, int> stored;
  int writes = 0;

  std::optional<int> recall(int portNumber) override {
    const auto found = stored.find(portNumber);
    if (found == stored.end()) return std::nullopt;
    return found->second;
  }
  void remember(int portNumber, int protocolIndex) override {
    stored[portNumber] = protocolIndex;
    ++writes;
  }
};

struct Rig {
  explicit Rig(uint32_t start = 1'000'000, ProtocolMemory* memory = nullptr)
      : clock(start), memory(memory) {}

  FakeClock clock;
  ScriptedLine line;
  PortWatch watch;
  StopSignal stop;
  ProtocolMemory* memory;
  GetW driver{kPort, [this] { return std::make_unique<WatchedPort>(line, clock, watch); }, clock,
              &stop, memory};
  WeightReading places;

  bool acquire() { return driver.Acquire(places); }
};

TEST(GetW, FirstAcquireChoosesBmBalanceWithoutOpeningThePort) {
  Rig rig;
  const uint32_t before = rig.clock.tickCount();

  EXPECT_FALSE(rig.acquire());
  EXPECT_EQ(rig.driver.protocolIndex(), ProtocolBm);
  EXPECT_EQ(rig.driver.protocolIndex(), 2);
  ASSERT_NE(rig.driver.protocol(), nullptr);
  EXPECT_EQ(rig.driver.protocol()->state(), PortClosed);
  EXPECT_EQ(rig.line.opens, 0);
  EXPECT_EQ(rig.watch.openAttempts, 0);
  EXPECT_EQ(rig.clock.tickCount(), before);
}

TEST(GetW, SecondAcquireOpensThePortForBmBalance) {
  Rig rig;
  rig.acquire();

  EXPECT_FALSE(rig.acquire());
  EXPECT_EQ(rig.line.opens, 1);
  EXPECT_EQ(rig.line.lastBaud, 2400u);
  EXPECT_EQ(rig.line.lastParity, kParityEven);
}

struct RotationStep {
  int protocolIndex;
  uint32_t baud;
  uint8_t parity;
};

TEST(GetW, SilentLineRotatesBmTskBAndBackToBm) {
  Rig rig;
  const std::vector<RotationStep> steps{
      {ProtocolBm, 2400, kParityEven},
      {ProtocolTsk, 9600, kParityEven},
      {ProtocolB, 19200, kParityNone},
      {ProtocolBm, 2400, kParityEven},
  };

  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    EXPECT_FALSE(rig.acquire()) << "a switch delivers nothing";
    EXPECT_EQ(rig.driver.protocolIndex(), steps[i].protocolIndex);
    EXPECT_EQ(rig.line.opens, static_cast<int>(i)) << "a switch opens nothing";

    const uint32_t windowStart = rig.clock.tickCount();
    EXPECT_FALSE(rig.acquire());
    EXPECT_EQ(rig.line.opens, static_cast<int>(i) + 1);
    EXPECT_EQ(rig.line.lastBaud, steps[i].baud);
    EXPECT_EQ(rig.line.lastParity, steps[i].parity);
    EXPECT_GE(rig.clock.tickCount() - windowStart, kWindowMs);
    EXPECT_EQ(rig.driver.protocolIndex(), steps[i].protocolIndex) << "no switch inside a window";
  }
  EXPECT_LE(rig.watch.mostOpenAtOnce, 1) << "a protocol's port is closed before the next opens it";
}

// Each turn of the search from its start: the switch, then one window.
std::vector<int> searchTurns(Rig& rig, int turns) {
  std::vector<int> order;
  for (int i = 0; i < turns; ++i) {
    rig.acquire();
    order.push_back(rig.driver.protocolIndex());
    rig.acquire();
  }
  return order;
}

struct RememberedCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const RememberedCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  std::optional<int> stored;
  std::vector<int> order;
};

class GetWRemembered : public ::testing::TestWithParam<RememberedCase> {};

TEST_P(GetWRemembered, SearchStartsAtTheRememberedProtocolAndGoesOnInTheUsualOrder) {
  const RememberedCase& c = GetParam();
  FakeMemory memory;
  if (c.stored) memory.stored[kPort] = *c.stored;
  memory.stored[kPort + 1] = ProtocolB;  // another port's memory is not this one's
  Rig rig(1'000'000, &memory);

  EXPECT_EQ(searchTurns(rig, 4), c.order) << c.legend;
  EXPECT_EQ(memory.writes, 0) << "nothing delivered, nothing remembered";
}

INSTANTIATE_TEST_SUITE_P(
    Memories, GetWRemembered,
    ::testing::Values(
        RememberedCase{"nothing remembered", std::nullopt,
                       {ProtocolBm, ProtocolTsk, ProtocolB, ProtocolBm}},
        RememberedCase{"TSK", ProtocolTsk, {ProtocolTsk, ProtocolB, ProtocolBm, ProtocolTsk}},
        RememberedCase{"B", ProtocolB, {ProtocolB, ProtocolBm, ProtocolTsk, ProtocolB}},
        RememberedCase{"BM", ProtocolBm, {ProtocolBm, ProtocolTsk, ProtocolB, ProtocolBm}},
        RememberedCase{"a number that names no protocol", 3,
                       {ProtocolBm, ProtocolTsk, ProtocolB, ProtocolBm}},
        RememberedCase{"a negative number", -1, {ProtocolBm, ProtocolTsk, ProtocolB, ProtocolBm}}));

TEST(GetW, WrongMemoryCostsOneTurnAndTheProtocolThatDeliversIsRememberedOnce) {
  FakeMemory memory;
  memory.stored[kPort] = ProtocolTsk;
  Rig rig(1'000'000, &memory);

  EXPECT_EQ(searchTurns(rig, 2), (std::vector<int>{ProtocolTsk, ProtocolB}));
  rig.line.feed(bytesOf("\r\n"));
  for (const double weight : {1.0, 2.0, 3.0}) rig.line.feed(bmLine(weight));
  rig.acquire();
  ASSERT_EQ(rig.driver.protocolIndex(), ProtocolBm);
  ASSERT_TRUE(rig.acquire());
  ASSERT_TRUE(rig.acquire());
  ASSERT_TRUE(rig.acquire());

  EXPECT_EQ(memory.stored[kPort], ProtocolBm);
  EXPECT_EQ(memory.writes, 1) << "written when it changes, not at every reading";
}

TEST(GetW, RememberedProtocolThatDeliversIsNotWrittenAgain) {
  FakeMemory memory;
  memory.stored[kPort] = ProtocolBm;
  Rig rig(1'000'000, &memory);
  rig.line.feed(bytesOf("\r\n"));
  rig.line.feed(bmLine(1.0));
  rig.acquire();

  ASSERT_TRUE(rig.acquire());
  EXPECT_EQ(memory.writes, 0);
}

TEST(GetW, StreamingBmBalanceIsReadOnTheSecondAcquireAndThenOneReadingPerAcquire) {
  Rig rig;
  rig.line.feed(bytesOf("\r\n"));
  const std::vector<double> weights{1.5, 2.25, -0.125, 100.0, 0.0};
  for (const double weight : weights) rig.line.feed(bmLine(weight));
  ASSERT_FALSE(rig.acquire());

  ASSERT_TRUE(rig.acquire());
  EXPECT_DOUBLE_EQ(rig.places.weight, weights[0]);
  EXPECT_EQ(std::string(rig.places.unit.data(), 3), "g  ");
  EXPECT_EQ(rig.places.serialNumber, 4567);
  EXPECT_EQ(rig.driver.protocol()->state(), InContact) << "the reading was taken";

  for (std::size_t i = 1; i < weights.size(); ++i) {
    SCOPED_TRACE("reading " + std::to_string(i));
    const uint32_t before = rig.clock.tickCount();
    ASSERT_TRUE(rig.acquire());
    EXPECT_DOUBLE_EQ(rig.places.weight, weights[i]);
    EXPECT_EQ(rig.clock.tickCount(), before) << "a waiting line is read at once";
    EXPECT_EQ(rig.driver.protocolIndex(), ProtocolBm);
    EXPECT_EQ(rig.driver.protocol()->state(), InContact);
  }
  EXPECT_EQ(rig.line.opens, 1);
}

TEST(GetW, ContactWithoutReadingsKeepsTheWindowOpenUntilTheLinesStop) {
  Rig rig;
  // 2400 baud, 11 bits a character: about 5 ms a byte.
  rig.watch.msPerByte = 5;
  rig.line.feed(bytesOf("\r\n"));
  constexpr int kMalformedLines = 200;
  for (int i = 0; i < kMalformedLines; ++i) rig.line.feed(kBmMalformedLine);
  const uint32_t supplyMs = kMalformedLines * static_cast<uint32_t>(kBmMalformedLine.size()) * 5;
  ASSERT_GT(supplyMs, 10 * kWindowMs);
  ASSERT_FALSE(rig.acquire());
  const uint32_t start = rig.clock.tickCount();

  EXPECT_FALSE(rig.acquire());
  EXPECT_TRUE(rig.line.incoming.empty()) << rig.line.incoming.size() << " bytes never read";
  EXPECT_GE(rig.watch.lastByteAt - start, supplyMs) << "all lines were read in one window";
  EXPECT_GE(rig.clock.tickCount() - rig.watch.lastByteAt, kWindowMs)
      << "the window closes only after the last sign of contact";
  EXPECT_EQ(rig.driver.protocolIndex(), ProtocolBm);

  EXPECT_FALSE(rig.acquire());
  EXPECT_EQ(rig.driver.protocolIndex(), ProtocolTsk) << "moves on once the lines stop";
}

struct UnopenableCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const UnopenableCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  uint32_t startTick;
};

class GetWUnopenablePort : public ::testing::TestWithParam<UnopenableCase> {};

TEST_P(GetWUnopenablePort, RotatesWithPausesInsteadOfSpinning) {
  const UnopenableCase& c = GetParam();
  Rig rig(c.startTick);
  rig.line.openFails = true;
  const std::vector<int> rotation{ProtocolBm, ProtocolTsk, ProtocolB,
                                  ProtocolBm, ProtocolTsk, ProtocolB};

  for (std::size_t i = 0; i < rotation.size(); ++i) {
    SCOPED_TRACE(std::string(c.legend) + ", window " + std::to_string(i));
    ASSERT_NO_THROW(EXPECT_FALSE(rig.acquire()));
    EXPECT_EQ(rig.driver.protocolIndex(), rotation[i]);

    const int attemptsBefore = rig.watch.openAttempts;
    const uint32_t windowStart = rig.clock.tickCount();
    ASSERT_NO_THROW(EXPECT_FALSE(rig.acquire()));
    const int attempts = rig.watch.openAttempts - attemptsBefore;
    const uint32_t elapsed = rig.clock.tickCount() - windowStart;

    EXPECT_GE(attempts, 1);
    EXPECT_LE(attempts, 100) << "open retried without pausing";
    EXPECT_GE(elapsed, kWindowMs);
    EXPECT_LT(elapsed, 2 * kWindowMs);
  }
  EXPECT_EQ(rig.line.opens, 0);
}

INSTANTIATE_TEST_SUITE_P(Clocks, GetWUnopenablePort,
                         ::testing::Values(UnopenableCase{"clock far from wrapping", 1'000'000},
                                           UnopenableCase{"clock wraps inside the first window",
                                                          0xFFFFFFFFu - 700}));

TEST(GetW, RaisedStopEndsAcquireAtOnceBeforeThePortIsOpened) {
  Rig rig;
  rig.stop.raise();
  EXPECT_FALSE(rig.acquire());
  const uint32_t before = rig.clock.tickCount();

  EXPECT_FALSE(rig.acquire());
  EXPECT_EQ(rig.clock.tickCount(), before);
  EXPECT_EQ(rig.watch.openAttempts, 0);
}

TEST(GetW, RaisedStopEndsAcquireAtOnceWhileInContact) {
  Rig rig;
  rig.line.feed(bytesOf("\r\n"));
  for (const double weight : {1.0, 2.0, 3.0}) rig.line.feed(bmLine(weight));
  rig.acquire();
  ASSERT_TRUE(rig.acquire());
  const std::size_t waiting = rig.line.incoming.size();
  const uint32_t before = rig.clock.tickCount();
  rig.places = WeightReading{};

  rig.stop.raise();
  EXPECT_FALSE(rig.acquire());
  EXPECT_EQ(rig.clock.tickCount(), before);
  EXPECT_EQ(rig.line.incoming.size(), waiting) << "no line was read after the stop";
  EXPECT_EQ(rig.places.weight, 0.0);
}

}  // namespace
}  // namespace tarvelo::link
