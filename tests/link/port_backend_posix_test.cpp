// The POSIX port back end on a pseudo-terminal made here: the test holds the
// master side, the port under test opens the slave through a COM port link.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "link/com_port_path.h"
#include "link/ralvo_com_a.h"
#include "link/stop_signal.h"
#include "tests/support/port_checks.h"
#include "tests/support/pseudo_terminal.h"
#include "tests/support/simulator_process.h"

namespace tarvelo::link {
namespace {

using namespace std::chrono_literals;

constexpr int kCom = 21;

// The test's own line on COM port kCom.
class PseudoTerminal : public testing::PseudoTerminal {
 public:
  PseudoTerminal() : testing::PseudoTerminal(kCom) {}
};

using testing::systemPort;
using testing::timed;

TEST(PosixPort, OpensWithTheProtocolsLineSpeed) {
  PseudoTerminal pty;
  RalvoComA port = systemPort();
  ASSERT_FALSE(port.Open(kCom, 9600, kParityEven));
  EXPECT_EQ(pty.slaveSpeed(), B9600);
  ASSERT_FALSE(port.Open(kCom, 19200, kParityNone));  // reopened with new settings
  EXPECT_EQ(pty.slaveSpeed(), B19200);
}

// A port whose failed opens are kept in `failures`.
RalvoComA reportingPort(std::vector<PortOpenFailure>& failures) {
  return systemPort(nullptr, [&failures](const PortOpenFailure& f) { failures.push_back(f); });
}

TEST(PosixPort, PortHeldByAnotherIsRefusedUntilReleased) {
  PseudoTerminal pty;
  testing::expectHeldPortRefusedUntilReleased(kCom, 2400, comPortLinkPath(kCom).string());
}

TEST(PosixPort, MissingDeviceFailsToOpen) {
  testing::privateConfigHome();
  std::vector<PortOpenFailure> failures;
  RalvoComA port = reportingPort(failures);
  EXPECT_TRUE(port.Open(254, 2400, kParityEven));  // no link, and no /dev/ttyS253 here
  EXPECT_FALSE(port.isOpen());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].portNumber, 254);
  EXPECT_EQ(failures[0].device, "/dev/ttyS253");
  EXPECT_EQ(failures[0].error, PortOpenError::NoSuchDevice);
  uint8_t byte = 0;
  EXPECT_EQ(port.Read(&byte, 1), ReadPortClosed);
}

TEST(PosixPort, ReadOnASilentLineTimesOutAfterASecondAndABytePerByte) {
  PseudoTerminal pty;
  RalvoComA port = systemPort();
  ASSERT_FALSE(port.Open(kCom, 9600, kParityEven));
  testing::expectSilentLineTimesOut(port, 1001ms);
}

TEST(PosixPort, ReplySpreadByLessThanTwoCharacterTimesIsReadWhole) {
  PseudoTerminal pty;
  RalvoComA port = systemPort();
  ASSERT_FALSE(port.Open(kCom, 2400, kParityEven));  // two characters take about 9 ms
  std::array<uint8_t, 8> buffer{};
  std::thread sender([&] {
    ASSERT_TRUE(pty.send({1, 2, 3, 4}));
    std::this_thread::sleep_for(4ms);
    ASSERT_TRUE(pty.send({5, 6, 7, 8}));
  });
  EXPECT_EQ(port.Read(buffer.data(), 8), ReadOk);
  sender.join();
  EXPECT_EQ(buffer, (std::array<uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(PosixPort, WriteReachesTheDevice) {
  PseudoTerminal pty;
  RalvoComA port = systemPort();
  ASSERT_FALSE(port.Open(kCom, 9600, kParityEven));
  const std::array<uint8_t, 4> request{0x00, 0x55, 0x17, 0x5F};
  ASSERT_TRUE(port.Write(request.data(), 4));
  std::array<uint8_t, 4> seen{};
  ASSERT_EQ(read(pty.master(), seen.data(), seen.size()), 4);
  EXPECT_EQ(seen, request);
}

TEST(PosixPort, DeviceThatDisappearsFailsEveryWaitAtOnce) {
  PseudoTerminal pty;
  RalvoComA port = systemPort();
  ASSERT_FALSE(port.Open(kCom, 2400, kParityEven));
  pty.closeMaster();
  uint8_t byte = 0;
  for (int i = 0; i < 3; ++i) {
    int result = 0;
    EXPECT_LT(timed([&] { result = port.Read(&byte, 1); }), 200ms);
    EXPECT_NE(result, ReadOk);
  }
  EXPECT_FALSE(port.Write(&byte, 1));
}

TEST(PosixPort, RaisedStopEndsAWaitAtOnce) {
  PseudoTerminal pty;
  StopSignal stop;
  RalvoComA port = systemPort(&stop);
  ASSERT_FALSE(port.Open(kCom, 2400, kParityEven));
  std::thread stopper([&] {
    std::this_thread::sleep_for(100ms);
    stop.raise();
  });
  uint8_t byte = 0;
  int result = 0;
  EXPECT_LT(timed([&] { result = port.Read(&byte, 1); }), 800ms);
  stopper.join();
  EXPECT_EQ(result, ReadTimedOut);
  stop.clear();
  ASSERT_TRUE(pty.send({0x42}));
  EXPECT_EQ(port.Read(&byte, 1), ReadOk);
  EXPECT_EQ(byte, 0x42);
}

}  // namespace
}  // namespace tarvelo::link
