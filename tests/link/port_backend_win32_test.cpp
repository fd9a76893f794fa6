// The Win32 port back end on the simulated balances the Wine test run maps to COM ports
// (tests/wine/balances.sh): COM7 a BM_balance, which sends lines by itself, and COM8 a
// TSK balance, which is silent until asked.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "link/ralvo_com_a.h"
#include "link/stop_signal.h"
#include "link/tsk_frame.h"
#include "tests/support/port_checks.h"

namespace tarvelo::link {
namespace {

using namespace std::chrono_literals;

constexpr int kStreamingCom = 7;
constexpr int kSilentCom = 8;
constexpr int kUnmappedCom = 250;
constexpr int kLongestBmLineBytes = 64;

class Win32Port : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("TARVELO_WINE_BALANCES") == nullptr) {
      GTEST_SKIP() << "needs the simulated balances of the Wine test run";
    }
  }
};

using testing::systemPort;
using testing::timed;

TEST_F(Win32Port, ReadsTheLinesOfABalanceAtItsEvenParityLine) {
  RalvoComA port = systemPort();
  ASSERT_FALSE(port.Open(kStreamingCom, 2400, kParityEven));
  std::vector<uint8_t> line;
  uint8_t byte = 0;
  // Up to the end of the line under way, then one whole line.
  for (int lineEnds = 0; lineEnds < 2 && line.size() < 2 * kLongestBmLineBytes;) {
    ASSERT_EQ(port.Read(&byte, 1), ReadOk);
    line.push_back(byte);
    if (byte == '\n') lineEnds += 1;
  }
  ASSERT_GE(line.size(), 2u);
  EXPECT_EQ(line[line.size() - 2], '\r');
}

TEST_F(Win32Port, SilentLineTimesOutAfterASecondAndAMsPerByte) {
  RalvoComA port = systemPort();
  ASSERT_FALSE(port.Open(kSilentCom, 9600, kParityEven));
  testing::expectSilentLineTimesOut(port, 1000ms);
}

TEST_F(Win32Port, RequestIsAnsweredWithAWholeReply) {
  RalvoComA port = systemPort();
  ASSERT_FALSE(port.Open(kSilentCom, 9600, kParityEven));
  ASSERT_TRUE(port.Write(kTskRequest.data(), static_cast<int>(kTskRequest.size())));
  std::array<uint8_t, kTskReplySize> reply{};
  ASSERT_EQ(port.Read(reply.data(), static_cast<int>(reply.size())), ReadOk);
  EXPECT_EQ(decodeTskReply(reply).code, kTskOk);
}

// Wine hands out the port's Unix device to every opener, whatever the share mode.
bool underWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

TEST_F(Win32Port, PortHeldByAnotherIsRefusedUntilReleased) {
  if (underWine()) GTEST_SKIP() << "Wine does not keep a COM port to its first opener";
  testing::expectHeldPortRefusedUntilReleased(kSilentCom, 9600, "\\\\.\\COM8");
}

TEST_F(Win32Port, MissingPortFailsToOpen) {
  std::vector<PortOpenFailure> failures;
  RalvoComA port = systemPort(nullptr, [&failures](const PortOpenFailure& f) { failures.push_back(f); });
  EXPECT_TRUE(port.Open(kUnmappedCom, 2400, kParityEven));
  EXPECT_FALSE(port.isOpen());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].error, PortOpenError::NoSuchDevice);
  uint8_t byte = 0;
  EXPECT_EQ(port.Read(&byte, 1), ReadPortClosed);
}

TEST_F(Win32Port, RaisedStopCancelsAWaitAtOnce) {
  StopSignal stop;
  RalvoComA port = systemPort(&stop);
  ASSERT_FALSE(port.Open(kSilentCom, 9600, kParityEven));
  std::thread stopper([&] {
    std::this_thread::sleep_for(100ms);
    stop.raise();
  });
  uint8_t byte = 0;
  int result = 0;
  EXPECT_LT(timed([&] { result = port.Read(&byte, 1); }), 800ms);
  stopper.join();
  EXPECT_EQ(result, ReadTimedOut);
  EXPECT_TRUE(stop.waitMs(1000)) << "a raised signal ends a pause at once";
  stop.clear();
  EXPECT_FALSE(stop.waitMs(10));
  ASSERT_TRUE(port.Write(kTskRequest.data(), static_cast<int>(kTskRequest.size())));
  std::array<uint8_t, kTskReplySize> reply{};
  EXPECT_EQ(port.Read(reply.data(), static_cast<int>(reply.size())), ReadOk) << "reads again once cleared";
}

}  // namespace
}  // namespace tarvelo::link
