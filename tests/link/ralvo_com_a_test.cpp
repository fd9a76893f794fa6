#include "link/ralvo_com_a.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/fake_clock.h"
#include "tests/support/scripted_port.h"

namespace tarvelo::link {
namespace {

using tarvelo::testing::FakeClock;
using tarvelo::testing::ScriptedLine;
using tarvelo::testing::ScriptedPort;
using Calls = std::vector<std::string>;

constexpr int kPort = 4;

// A scripted port that also notes every operating-system call made on it.
class RecordingPort final : public PortBackend {
 public:
  RecordingPort(ScriptedLine& line, FakeClock& clock, Calls& calls)
      : port_(line, clock), calls_(calls) {}

  std::optional<Failure> open(int portNumber) override {
    calls_.push_back("open");
    return port_.open(portNumber);
  }
  std::optional<Failure> configure(uint32_t baud, uint8_t parity) override {
    calls_.push_back("configure");
    return port_.configure(baud, parity);
  }
  std::optional<Failure> close() override {
    calls_.push_back("close");
    return port_.close();
  }
  bool isOpen() const override { return port_.isOpen(); }
  int read(uint8_t* buffer, int n) override {
    calls_.push_back("read");
    return port_.read(buffer, n);
  }
  int write(const uint8_t* buffer, int n) override {
    calls_.push_back("write");
    return port_.write(buffer, n);
  }
  uint32_t takeLineErrors() override {
    calls_.push_back("takeLineErrors");
    return port_.takeLineErrors();
  }

 private:
  ScriptedPort port_;
  Calls& calls_;
};

struct Rig {
  FakeClock clock;
  ScriptedLine line;
  Calls calls;
  RalvoComA com{std::make_unique<RecordingPort>(line, clock, calls), clock};

  void openAt9600Even() {
    ASSERT_FALSE(com.Open(kPort, 9600, kParityEven));
    calls.clear();
  }
};

TEST(RalvoComA, ReadOnANeverOpenedPortReportsClosedWithoutAnySystemCall) {
  Rig rig;
  rig.line.feed({0x01, 0x02, 0x03});
  const uint32_t before = rig.clock.tickCount();
  std::array<uint8_t, 3> buffer{};

  EXPECT_EQ(rig.com.Read(buffer.data(), 3), ReadPortClosed);
  EXPECT_EQ(ReadPortClosed, -2);
  EXPECT_TRUE(rig.calls.empty());
  EXPECT_EQ(rig.line.opens, 0);
  EXPECT_TRUE(rig.line.written.empty());
  EXPECT_EQ(rig.line.incoming.size(), 3u);
  EXPECT_EQ(rig.clock.tickCount(), before);
}

TEST(RalvoComA, WriteOnANeverOpenedPortFailsWithoutAnySystemCall) {
  Rig rig;
  const std::array<uint8_t, 2> bytes{0x55, 0xAA};

  EXPECT_FALSE(rig.com.Write(bytes.data(), 2));
  EXPECT_TRUE(rig.calls.empty());
  EXPECT_TRUE(rig.line.written.empty());
}

TEST(RalvoComA, ReadAfterCloseReportsClosed) {
  Rig rig;
  rig.openAt9600Even();
  rig.line.feed({0x01});
  ASSERT_FALSE(rig.com.Close());
  uint8_t byte = 0;

  EXPECT_EQ(rig.com.Read(&byte, 1), ReadPortClosed);
  EXPECT_EQ(rig.line.incoming.size(), 1u);
}

TEST(RalvoComA, ShortReadReportsTimeOut) {
  Rig rig;
  rig.openAt9600Even();
  rig.line.feed({0x11, 0x22});
  std::array<uint8_t, 4> buffer{};

  EXPECT_EQ(rig.com.Read(buffer.data(), 4), 1);
  EXPECT_EQ(buffer[0], 0x11);
  EXPECT_EQ(buffer[1], 0x22);
}

TEST(RalvoComA, ReadOfEveryByteWithoutFlagsSucceeds) {
  Rig rig;
  rig.openAt9600Even();
  rig.line.feed({0x11, 0x22, 0x33});
  std::array<uint8_t, 3> buffer{};

  EXPECT_EQ(rig.com.Read(buffer.data(), 3), ReadOk);
  EXPECT_EQ(buffer, (std::array<uint8_t, 3>{0x11, 0x22, 0x33}));
}

struct FlagCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const FlagCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  uint32_t flags;
  int readResult;
  bool writeResult;
  uint32_t writePauseMs;
};

class RalvoComALineErrors : public ::testing::TestWithParam<FlagCase> {};

TEST_P(RalvoComALineErrors, ReadJudgesTheFlagsOfACompleteTransfer) {
  const FlagCase& c = GetParam();
  Rig rig;
  rig.openAt9600Even();
  rig.line.feed({0x01, 0x02});
  rig.line.pendingErrors = c.flags;
  std::array<uint8_t, 2> buffer{};

  EXPECT_EQ(rig.com.Read(buffer.data(), 2), c.readResult) << c.legend;
  EXPECT_EQ(rig.line.pendingErrors, 0u) << c.legend << ": the flags are taken";
}

TEST_P(RalvoComALineErrors, WriteFailsOnAnyFlagAndPausesOnALoneParityFlag) {
  const FlagCase& c = GetParam();
  Rig rig;
  rig.openAt9600Even();
  rig.line.pendingErrors = c.flags;
  const std::array<uint8_t, 3> bytes{0x00, 0x55, 0x17};
  const uint32_t before = rig.clock.tickCount();

  EXPECT_EQ(rig.com.Write(bytes.data(), 3), c.writeResult) << c.legend;
  EXPECT_EQ(rig.clock.tickCount() - before, c.writePauseMs) << c.legend;
  EXPECT_EQ(rig.line.written, (std::vector<uint8_t>{0x00, 0x55, 0x17})) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Flags, RalvoComALineErrors,
    ::testing::Values(FlagCase{"no flag", 0, ReadOk, true, 0},
                      FlagCase{"lone receive-parity flag", kLineErrorRxParity, ReadOk, false, 1},
                      FlagCase{"framing", kLineErrorFrame, ReadLineError, false, 0},
                      FlagCase{"overrun", kLineErrorOverrun, ReadLineError, false, 0},
                      FlagCase{"receive buffer overflow", kLineErrorRxOver, ReadLineError, false,
                               0},
                      FlagCase{"break", kLineErrorBreak, ReadLineError, false, 0},
                      FlagCase{"parity together with framing", kLineErrorRxParity | kLineErrorFrame,
                               ReadLineError, false, 0},
                      FlagCase{"parity together with overrun",
                               kLineErrorRxParity | kLineErrorOverrun, ReadLineError, false, 0}));

TEST(RalvoComA, OpenAppliesPortBaudAndParity) {
  Rig rig;

  ASSERT_FALSE(rig.com.Open(kPort, 19200, kParityNone));
  EXPECT_TRUE(rig.com.isOpen());
  EXPECT_EQ(rig.calls, (Calls{"open", "configure"}));
  EXPECT_EQ(rig.line.lastBaud, 19200u);
  EXPECT_EQ(rig.line.lastParity, kParityNone);
  EXPECT_EQ(rig.com.baud(), 19200u);
  EXPECT_EQ(rig.com.parity(), kParityNone);
  EXPECT_EQ(rig.com.port(), kPort);
}

TEST(RalvoComA, OpenOnAnOpenPortClosesAndReopensWithTheNewSettings) {
  Rig rig;
  rig.openAt9600Even();

  ASSERT_FALSE(rig.com.Open(kPort, 2400, kParityNone));
  EXPECT_EQ(rig.calls, (Calls{"close", "open", "configure"}));
  EXPECT_EQ(rig.line.opens, 2);
  EXPECT_EQ(rig.line.lastBaud, 2400u);
  EXPECT_EQ(rig.line.lastParity, kParityNone);
  EXPECT_EQ(rig.com.baud(), 2400u);
  EXPECT_TRUE(rig.com.isOpen());
}

TEST(RalvoComA, PortThatCannotBeOpenedLeavesItClosed) {
  Rig rig;
  rig.line.openFails = true;

  EXPECT_TRUE(rig.com.Open(kPort, 9600, kParityEven));
  EXPECT_FALSE(rig.com.isOpen());
  uint8_t byte = 0;
  EXPECT_EQ(rig.com.Read(&byte, 1), ReadPortClosed);
}

TEST(RalvoComA, RefusedSettingsFailOpenButKeepThePortOpenUntilClose) {
  Rig rig;
  rig.line.configureFails = true;

  EXPECT_TRUE(rig.com.Open(kPort, 9600, kParityEven));
  EXPECT_TRUE(rig.com.isOpen());
  rig.line.feed({0x42});
  uint8_t byte = 0;
  EXPECT_EQ(rig.com.Read(&byte, 1), ReadOk);
  EXPECT_EQ(byte, 0x42);

  EXPECT_FALSE(rig.com.Close());
  EXPECT_FALSE(rig.com.isOpen());
}

}  // namespace
}  // namespace tarvelo::link
