// The whole link against the balance simulator on a pseudo-terminal: the real port
// back end, the protocols, the detection rotation and the acquisition thread.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "link/acquisition_thread.h"
#include "link/get_w.h"
#include "tests/support/pseudo_terminal.h"
#include "tests/support/simulator_process.h"

namespace tarvelo::link {
namespace {

using namespace std::chrono_literals;
using testing::SimulatorProcess;

constexpr int kCom = 12;
// Detection of the balance searched last takes about 5 s; give room on a busy machine.
constexpr auto kDetectionLimit = 30s;

const std::vector<std::string> kWeights{"10.50", "11.25", "12.00", "-0.75"};
const std::set<double> kWeightValuesG{10.5, 11.25, 12.0, -0.75};

std::vector<std::string> steadyStream(const std::string& protocol) {
  return {"--protocol", protocol, "--weights", testing::writeWeightsFile(kWeights).string(),
          "--decimals", "2", "--unstable-every", "0", "--unstable-step", "0"};
}

GetW systemDriver(ProtocolMemory* memory = nullptr) {
  return GetW(
      kCom, [] { return makeSystemPort(); }, systemClock(), nullptr, memory);
}

// The protocols found, for this test process only.
struct MemoryOfThisTest final : ProtocolMemory {
  std::optional<int> found;
  std::optional<int> recall(int) override { return found; }
  void remember(int, int protocolIndex) override { found = protocolIndex; }
};

// Calls Acquire until it delivers; false when the limit passes first.
bool acquireWithin(GetW& driver, WeightReading& places, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (driver.Acquire(places)) return true;
  }
  return false;
}

bool isOneOf(double weight, const std::set<double>& values, double scale = 1.0) {
  for (const double v : values) {
    if (std::fabs(weight - v * scale) < 1e-9) return true;
  }
  return false;
}

TEST(EndToEnd, BmBalanceIsFoundFirstAndStreams) {
  SimulatorProcess sim(kCom, steadyStream("bm"));
  GetW driver = systemDriver();
  WeightReading places;
  EXPECT_FALSE(driver.Acquire(places));  // the first call only creates the protocol
  ASSERT_TRUE(acquireWithin(driver, places, 10s));
  EXPECT_EQ(driver.protocolIndex(), ProtocolBm);
  for (int i = 0; i < 6; ++i) {
    ASSERT_TRUE(driver.Acquire(places)) << "reading " << i;
    EXPECT_TRUE(isOneOf(places.weight, kWeightValuesG)) << places.weight;
    EXPECT_STREQ(places.unit.data(), "  g");
    EXPECT_STREQ(places.model.data(), "KM500 ");
    EXPECT_EQ(places.serialNumber, 1234);
    EXPECT_EQ(places.stable, 1);
  }
}

TEST(EndToEnd, GarbageLinesDeliverNothingWrong) {
  auto options = steadyStream("bm");
  options.insert(options.end(), {"--corrupt-every", "2"});
  SimulatorProcess sim(kCom, options);
  GetW driver = systemDriver();
  WeightReading places;
  for (int i = 0; i < 8; ++i) {
    ASSERT_TRUE(acquireWithin(driver, places, 10s)) << "reading " << i;
    EXPECT_TRUE(isOneOf(places.weight, kWeightValuesG)) << places.weight;
    EXPECT_EQ(driver.protocolIndex(), ProtocolBm);
  }
}

// One run with a BM balance, then a TSK balance on the same port: the next run
// searches anew and finds it on the second turn; when it falls silent the driver
// moves on to the next protocol.
TEST(EndToEnd, TskBalanceIsFoundOnTheSecondTurnAndLostWhenSilent) {
  {
    SimulatorProcess bm(kCom, steadyStream("bm"));
    GetW driver = systemDriver();
    WeightReading places;
    ASSERT_TRUE(acquireWithin(driver, places, 10s));
  }
  auto options = steadyStream("tsk");
  options.insert(options.end(), {"--silent-after", "5", "--corrupt-every", "3"});
  SimulatorProcess sim(kCom, options);
  GetW driver = systemDriver();
  WeightReading places;
  ASSERT_TRUE(acquireWithin(driver, places, kDetectionLimit));
  EXPECT_EQ(driver.protocolIndex(), ProtocolTsk);
  EXPECT_TRUE(isOneOf(places.weight, kWeightValuesG, 0.001)) << places.weight;
  EXPECT_STREQ(places.unit.data(), "kg");
  EXPECT_STREQ(places.model.data(), "");
  EXPECT_EQ(places.serialNumber, 0);

  int delivered = 1;
  while (driver.Acquire(places)) {
    EXPECT_TRUE(isOneOf(places.weight, kWeightValuesG, 0.001)) << places.weight;
    ++delivered;
  }
  // Five frames sent, every third corrupted, the first one spent on making contact.
  EXPECT_LE(delivered, 3);
  EXPECT_FALSE(driver.Acquire(places));  // the switch
  EXPECT_EQ(driver.protocolIndex(), ProtocolB);
}

TEST(EndToEnd, BBalanceIsFoundOnTheThirdTurnWithItsIdentity) {
  auto options = steadyStream("b");
  options.insert(options.end(), {"--model", "0x85", "--serial", "654321", "--corrupt-every", "3"});
  SimulatorProcess sim(kCom, options);
  GetW driver = systemDriver();
  WeightReading places;
  ASSERT_TRUE(acquireWithin(driver, places, kDetectionLimit));
  EXPECT_EQ(driver.protocolIndex(), ProtocolB);
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(acquireWithin(driver, places, 5s));
    EXPECT_TRUE(isOneOf(places.weight, kWeightValuesG)) << places.weight;
    EXPECT_STREQ(places.unit.data(), "g");
    EXPECT_STREQ(places.model.data(), "KM7391M-1");
    EXPECT_EQ(places.serialNumber, 654321);
  }
}

// The balance found last is asked first: the next run's first window delivers.
TEST(EndToEnd, NextRunStartsWithTheProtocolFoundLast) {
  SimulatorProcess sim(kCom, steadyStream("b"));
  MemoryOfThisTest memory;
  {
    GetW driver = systemDriver(&memory);
    WeightReading places;
    ASSERT_TRUE(acquireWithin(driver, places, kDetectionLimit));
  }
  EXPECT_EQ(memory.found, ProtocolB);

  GetW driver = systemDriver(&memory);
  WeightReading places;
  EXPECT_FALSE(driver.Acquire(places));
  EXPECT_EQ(driver.protocolIndex(), ProtocolB);
  EXPECT_TRUE(driver.Acquire(places));
}

TEST(EndToEnd, AcquisitionThreadStopsPromptlyWhileSearching) {
  testing::PseudoTerminal silentLine(kCom);
  ReadingHandoff handoff;
  AcquisitionThread thread(handoff, balanceOnSerialPort(), systemClock());
  thread.start(kCom, 10.0f, 0.1);
  std::this_thread::sleep_for(1500ms);
  const auto before = std::chrono::steady_clock::now();
  thread.stopAndJoin();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
  EXPECT_EQ(handoff.readingReady, 0);
}

TEST(EndToEnd, AcquisitionThreadPublishesReadingsOfAStreamingBalance) {
  SimulatorProcess sim(kCom, steadyStream("bm"));
  ReadingHandoff handoff;
  AcquisitionThread thread(handoff, balanceOnSerialPort(), systemClock());
  thread.start(kCom, 10.0f, 0.1);
  WeightReading reading;
  int taken = 0;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (taken < 3 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
    if (!handoff.takeReading(reading)) continue;
    handoff.readingDone();
    EXPECT_TRUE(isOneOf(reading.weight, kWeightValuesG)) << reading.weight;
    ++taken;
  }
  EXPECT_EQ(taken, 3);
}

}  // namespace
}  // namespace tarvelo::link
