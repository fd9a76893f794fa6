#include "pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace tarvelo::balance_sim {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;
constexpr std::size_t kWatchEventBufferBytes = 4096;
constexpr int kWriteWaitMs = 50;

[[noreturn]] void throwErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PtyDevice::PtyDevice() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) throwErrno("posix_openpt");
  try {
    if (grantpt(master_) != 0) throwErrno("grantpt");
    if (unlockpt(master_) != 0) throwErrno("unlockpt");
    const char* slave = ptsname(master_);
    if (slave == nullptr) throwErrno("ptsname");
    slavePath_ = slave;

    termios raw{};
    if (tcgetattr(master_, &raw) != 0) throwErrno("tcgetattr");
    cfmakeraw(&raw);
    if (tcsetattr(master_, TCSANOW, &raw) != 0) throwErrno("tcsetattr");

    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) throwErrno("fcntl");
    if (fcntl(master_, F_SETFD, FD_CLOEXEC) != 0) throwErrno("fcntl");
  } catch (...) {
    close(master_);
    throw;
  }
  closeWatch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (closeWatch_ >= 0 && inotify_add_watch(closeWatch_, slavePath_.c_str(), IN_CLOSE) < 0) {
    close(closeWatch_);
    closeWatch_ = -1;
  }
  dropUnreadOutput();
}

PtyDevice::~PtyDevice() {
  if (closeWatch_ >= 0) close(closeWatch_);
  close(master_);
}

std::array<pollfd, 2> PtyDevice::readWatch() const {
  return {pollfd{.fd = master_, .events = POLLIN, .revents = 0},
          pollfd{.fd = closeWatch_, .events = POLLIN, .revents = 0}};
}

bool PtyDevice::slaveOpen() const {
  pollfd watched{.fd = master_, .events = 0, .revents = 0};
  if (poll(&watched, 1, 0) < 0) return false;
  return (watched.revents & POLLHUP) == 0;
}

bool PtyDevice::slaveWasClosed() const {
  if (closeWatch_ < 0) return closeSeen_;
  // Only close events are watched, so any event is a close.
  alignas(inotify_event) std::array<char, kWatchEventBufferBytes> events{};
  while (read(closeWatch_, events.data(), events.size()) > 0) closeSeen_ = true;
  return closeSeen_;
}

speed_t PtyDevice::slaveSpeed() const {
  termios attributes{};
  if (tcgetattr(master_, &attributes) != 0) return B0;
  return cfgetospeed(&attributes);
}

std::vector<std::uint8_t> PtyDevice::readInput() const {
  std::vector<std::uint8_t> input;
  std::array<std::uint8_t, kReadChunkBytes> chunk{};
  for (;;) {
    const ssize_t count = read(master_, chunk.data(), chunk.size());
    if (count > 0) {
      input.insert(input.end(), chunk.begin(), chunk.begin() + count);
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      // 0, EAGAIN (nothing more) or EIO (slave closed).
      return input;
    }
  }
}

void PtyDevice::writeFrame(std::span<const std::uint8_t> frame) const {
  while (!frame.empty()) {
    const ssize_t count = write(master_, frame.data(), frame.size());
    if (count > 0) {
      frame = frame.subspan(static_cast<std::size_t>(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) {
      // The program is not reading and the buffer is full: give it a moment, then drop.
      pollfd watched{.fd = master_, .events = POLLOUT, .revents = 0};
      if (poll(&watched, 1, kWriteWaitMs) > 0 && (watched.revents & POLLOUT) != 0) continue;
    }
    return;
  }
}

void PtyDevice::dropUnreadOutput() const {
  const int slave = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave >= 0) {
    tcflush(slave, TCIFLUSH);
    close(slave);
  }
  // Forget the close events so far, our own included.
  slaveWasClosed();
  closeSeen_ = false;
}

}  // namespace tarvelo::balance_sim
