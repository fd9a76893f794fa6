// Test harness only, preloaded into the Windows tests under Wine: tcsetattr without
// glibc's read-back. After setting a pseudo-terminal glibc reads the settings back and,
// as a pseudo-terminal drops the parity bit, reports even parity as refused (EINVAL),
// so Wine's SetCommState with even parity would fail at random. A real serial port
// keeps the bit; the program itself never gets this library.
#include <sys/ioctl.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

namespace {

// The kernel's own termios, which TCSETS takes: fewer control characters, no speeds.
constexpr int kKernelControlCharacters = 19;
struct KernelTermios {
  tcflag_t c_iflag;
  tcflag_t c_oflag;
  tcflag_t c_cflag;
  tcflag_t c_lflag;
  cc_t c_line;
  cc_t c_cc[kKernelControlCharacters];
};

}  // namespace

extern "C" int tcsetattr(int fd, int action, const termios* settings) {
  unsigned long request = 0;
  switch (action) {
    case TCSANOW:
      request = TCSETS;
      break;
    case TCSADRAIN:
      request = TCSETSW;
      break;
    case TCSAFLUSH:
      request = TCSETSF;
      break;
    default:
      errno = EINVAL;
      return -1;
  }
  KernelTermios kernel{settings->c_iflag, settings->c_oflag, settings->c_cflag, settings->c_lflag,
                       settings->c_line, {}};
  std::memcpy(kernel.c_cc, settings->c_cc, sizeof kernel.c_cc);
  return ioctl(fd, request, &kernel);
}
