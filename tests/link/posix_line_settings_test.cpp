#include "link/posix_line_settings.h"

#include <gtest/gtest.h>

#include "link/port_backend.h"

namespace tarvelo::link {
namespace {

struct LineCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  uint32_t baud;
  uint8_t parity;
  tcflag_t speedCode;
};

class RawLineSettings : public ::testing::TestWithParam<LineCase> {};

// Whatever the driver held before (a terminal left cooked, 7 bits, odd parity, two
// stop bits, flow control), the line handed back is the protocol's.
TEST_P(RawLineSettings, GiveTheProtocolsLineWhateverTheDriverHeld) {
  const LineCase& c = GetParam();
  termios2 dirty{};
  dirty.c_iflag = IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | INPCK | PARMRK | BRKINT;
  dirty.c_oflag = OPOST | ONLCR;
  dirty.c_lflag = ICANON | ECHO | ECHONL | ISIG | IEXTEN;
  dirty.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | B300 | (B300 << IBSHIFT);
  dirty.c_cc[VMIN] = 1;
  dirty.c_cc[VTIME] = 5;

  const termios2 tio = rawLineSettings(dirty, c.baud, c.parity);

  EXPECT_EQ(tio.c_cflag & CBAUD, c.speedCode) << "output speed";
  EXPECT_EQ((tio.c_cflag >> IBSHIFT) & CBAUD, c.speedCode) << "input speed";
  EXPECT_EQ(tio.c_ospeed, c.baud);
  EXPECT_EQ(tio.c_ispeed, c.baud);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8)) << "8 data bits";
  EXPECT_EQ((tio.c_cflag & PARENB) != 0, c.parity == kParityEven) << "parity bit";
  EXPECT_EQ(tio.c_cflag & PARODD, 0u) << "even, never odd";
  EXPECT_EQ(tio.c_cflag & CSTOPB, 0u) << "1 stop bit";
  EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u) << "no hardware flow control";
  EXPECT_NE(tio.c_cflag & CREAD, 0u) << "receiver on";
  EXPECT_NE(tio.c_cflag & CLOCAL, 0u) << "no modem control";
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY), 0u) << "no software flow control";
  EXPECT_EQ(tio.c_iflag & (INPCK | ISTRIP | PARMRK), 0u) << "no parity checking on receive";
  EXPECT_EQ(tio.c_iflag & (ICRNL | INLCR | IGNCR), 0u) << "CR and LF pass untouched";
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(tio.c_cc[VMIN], 0);
  EXPECT_EQ(tio.c_cc[VTIME], 0);
}

INSTANTIATE_TEST_SUITE_P(Protocols, RawLineSettings,
                         ::testing::Values(LineCase{"TSK: 9600 even", 9600, kParityEven, B9600},
                                           LineCase{"B: 19200 none", 19200, kParityNone, B19200},
                                           LineCase{"BM: 2400 even", 2400, kParityEven, B2400},
                                           LineCase{"a rate without a code", 1234, kParityNone,
                                                    BOTHER}));

}  // namespace
}  // namespace tarvelo::link
