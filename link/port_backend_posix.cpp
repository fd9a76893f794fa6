// Serial port on POSIX termios.
//
// The port is opened non-blocking and every wait is a poll() with the time left,
// together with the stop signal's descriptor, so no call outlives its time-out and
// a raised stop ends a wait at once. A device that reports a hang-up or an error
// (a USB adapter pulled out, the other end of a pseudo-terminal closed) is marked
// gone: that transfer and every later one fail at once.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <utility>

#include "com_port_path.h"
#include "port_backend.h"
#include "posix_line_settings.h"
#include "stop_signal.h"

namespace tarvelo::link {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Start bit, 8 data bits, parity bit, stop bit.
constexpr int kBitsPerCharacter = 11;
// Bytes of one reply may be spread by a whole character time or more on real
// hardware (a USB adapter hands them over in bursts), so a read ends on a gap no
// shorter than two characters at the line's speed, never on the nominal 1 ms.
constexpr int kInterByteGapCharacters = 2;

int interByteGapMs(uint32_t baud) {
  if (baud == 0) return kReadIntervalTimeoutMs;
  const uint32_t bits = kInterByteGapCharacters * kBitsPerCharacter * 1000u;
  return std::max<int>(kReadIntervalTimeoutMs, static_cast<int>((bits + baud - 1) / baud));
}

int msUntil(SteadyClock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

PortOpenError openErrorOf(int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
      return PortOpenError::NoSuchDevice;
    case EACCES:
    case EPERM:
      return PortOpenError::AccessDenied;
    case EBUSY:
    case EWOULDBLOCK:
      return PortOpenError::InUse;
    case ENOTTY:
      return PortOpenError::NotASerialPort;
    default:
      return PortOpenError::Other;
  }
}

class PosixPort final : public PortBackend {
 public:
  PosixPort(const StopSignal* stop, PortOpenReport openFailed)
      : stop_(stop), openFailed_(std::move(openFailed)) {}
  ~PosixPort() override { close(); }
  PosixPort(const PosixPort&) = delete;
  PosixPort& operator=(const PosixPort&) = delete;

  std::optional<Failure> open(int portNumber) override {
    const auto device = comPortDevice(portNumber);
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return openFailed(portNumber, device, errno);
    // A link may name anything that opens; only a terminal has line settings.
    if (!::isatty(fd_)) {
      ::close(std::exchange(fd_, -1));
      return openFailed(portNumber, device, ENOTTY);
    }
    // Exclusive like a Windows COM port: flock keeps out every other program that
    // asks (including root, which TIOCEXCL does not stop); TIOCEXCL keeps out the rest.
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(std::exchange(fd_, -1));
      return openFailed(portNumber, device, error);
    }
    ioctl(fd_, TIOCEXCL);
    // A freshly opened COM port holds no old input; a pseudo-terminal keeps what
    // its previous user left unread, so drop it.
    ioctl(fd_, TCFLSH, TCIFLUSH);
    gone_ = false;
    errorBase_ = readErrorCounters();
    return std::nullopt;
  }

  std::optional<Failure> configure(uint32_t baud, uint8_t parity) override {
    baud_ = baud;
    termios2 current{};
    if (ioctl(fd_, TCGETS2, &current) != 0) return systemFailure(errno);
    const termios2 tio = rawLineSettings(current, baud, parity);
    // A device without modem lines (a pseudo-terminal answers ENOTTY) has no DTR to raise.
    const int dtr = TIOCM_DTR;
    ioctl(fd_, TIOCMBIS, &dtr);
    if (ioctl(fd_, TCSETS2, &tio) != 0) return systemFailure(errno);
    return std::nullopt;
  }

  std::optional<Failure> close() override {
    if (fd_ < 0) return std::nullopt;
    // Output still queued for a balance that does not take it would hold the close
    // for the driver's closing wait (30 s by default): drop it.
    ioctl(fd_, TCFLSH, TCOFLUSH);
    ioctl(fd_, TIOCNXCL);
    if (::close(std::exchange(fd_, -1)) != 0) return systemFailure(errno);
    return std::nullopt;
  }

  bool isOpen() const override { return fd_ >= 0; }

  int read(uint8_t* buffer, int n) override {
    const auto start = SteadyClock::now();
    const auto deadline =
        start + std::chrono::milliseconds(kTotalTimeoutConstantMs + n * kTotalTimeoutPerByteMs);
    const auto gap = std::chrono::milliseconds(interByteGapMs(baud_));
    int moved = 0;
    auto lastByte = start;
    while (moved < n) {
      const auto limit = moved > 0 ? std::min(deadline, lastByte + gap) : deadline;
      if (!waitFor(POLLIN, msUntil(limit))) break;
      const ssize_t got = ::read(fd_, buffer + moved, static_cast<size_t>(n - moved));
      if (got > 0) {
        moved += static_cast<int>(got);
        lastByte = SteadyClock::now();
      } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
        gone_ = true;
        break;
      }
    }
    return moved;
  }

  int write(const uint8_t* buffer, int n) override {
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kTotalTimeoutConstantMs +
                                                                          n * kTotalTimeoutPerByteMs);
    int moved = 0;
    while (moved < n) {
      if (!waitFor(POLLOUT, msUntil(deadline))) break;
      const ssize_t put = ::write(fd_, buffer + moved, static_cast<size_t>(n - moved));
      if (put > 0) {
        moved += static_cast<int>(put);
      } else if (put < 0 && errno != EAGAIN && errno != EINTR) {
        gone_ = true;
        break;
      }
    }
    return moved;
  }

  bool gone() const override { return gone_; }

  uint32_t takeLineErrors() override {
    const ErrorCounters now = readErrorCounters();
    uint32_t flags = 0;
    if (now.overrun != errorBase_.overrun) flags |= kLineErrorOverrun;
    if (now.parity != errorBase_.parity) flags |= kLineErrorRxParity;
    if (now.frame != errorBase_.frame) flags |= kLineErrorFrame;
    if (now.brk != errorBase_.brk) flags |= kLineErrorBreak;
    if (now.bufferOverrun != errorBase_.bufferOverrun) flags |= kLineErrorRxOver;
    errorBase_ = now;
    return flags;
  }

 private:
  // Reports the open that failed with the system's `error` and gives its failure.
  Failure openFailed(int portNumber, const std::filesystem::path& device, int error) const {
    Failure failure = systemFailure(error);
    if (openFailed_) openFailed_({failure, portNumber, device.string(), openErrorOf(error)});
    return failure;
  }

  struct ErrorCounters {
    int frame = 0, overrun = 0, parity = 0, brk = 0, bufferOverrun = 0;
  };

  // The driver's error counters; a device without them (a pseudo-terminal, some
  // USB adapters) reports no line errors.
  ErrorCounters readErrorCounters() const {
    serial_icounter_struct counters{};
    if (ioctl(fd_, TIOCGICOUNT, &counters) != 0) return {};
    return {counters.frame, counters.overrun, counters.parity, counters.brk, counters.buf_overrun};
  }

  // Waits until the device is ready for `events`. False on time-out, on a raised
  // stop, and when the device is gone.
  bool waitFor(short events, int timeoutMs) {
    if (fd_ < 0 || gone_) return false;
    std::array<pollfd, 2> fds{{{fd_, events, 0}, {stop_ ? stop_->waitFd() : -1, POLLIN, 0}}};
    for (;;) {
      if (stop_ != nullptr && stop_->raised()) return false;
      const int ready = poll(fds.data(), fds.size(), timeoutMs);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0 || fds[1].revents != 0) return false;
      if ((fds[0].revents & events) != 0) return true;
      gone_ = true;  // POLLHUP, POLLERR or POLLNVAL without data
      return false;
    }
  }

  const StopSignal* stop_;
  PortOpenReport openFailed_;
  int fd_ = -1;
  uint32_t baud_ = 0;
  bool gone_ = false;
  ErrorCounters errorBase_;
};

}  // namespace

std::unique_ptr<PortBackend> makeSystemPort(const StopSignal* stop, PortOpenReport openFailed) {
  return std::make_unique<PosixPort>(stop, std::move(openFailed));
}

}  // namespace tarvelo::link
