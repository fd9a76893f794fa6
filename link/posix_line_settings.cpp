#include "posix_line_settings.h"

#include <array>
#include <utility>

#include "port_backend.h"

namespace tarvelo::link {

namespace {

// The standard speed code for a baud rate, so the line reads back as e.g. B9600;
// any other rate is set as a custom speed.
tcflag_t speedCode(uint32_t baud) {
  static constexpr std::array<std::pair<uint32_t, tcflag_t>, 10> kCodes{{{1200, B1200},
                                                                         {2400, B2400},
                                                                         {4800, B4800},
                                                                         {9600, B9600},
                                                                         {19200, B19200},
                                                                         {38400, B38400},
                                                                         {57600, B57600},
                                                                         {115200, B115200},
                                                                         {230400, B230400},
                                                                         {460800, B460800}}};
  for (const auto& [rate, code] : kCodes) {
    if (rate == baud) return code;
  }
  return BOTHER;
}

}  // namespace

termios2 rawLineSettings(const termios2& current, uint32_t baud, uint8_t parity) {
  termios2 tio = current;
  // Software flow control would swallow bytes of the binary frames; hardware flow
  // control would let a balance without RTS/CTS wiring hold the output, and with it
  // the closing of the port, indefinitely.
  tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | INPCK | IGNPAR);
  tio.c_oflag &= ~OPOST;
  tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= CS8 | CREAD | CLOCAL | speedCode(baud) | (speedCode(baud) << IBSHIFT);
  if (parity == kParityEven) tio.c_cflag |= PARENB;
  tio.c_ispeed = baud;
  tio.c_ospeed = baud;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return tio;
}

}  // namespace tarvelo::link
