#include "tag_reader_device.h"

#include <cstdint>
#include <span>

namespace tarvelo::balance_sim {

namespace {

constexpr speed_t kReaderSpeed = B9600;

}  // namespace

TagReaderDevice::TagReaderDevice(int com) : com_(com) { plug(); }

void TagReaderDevice::plug() {
  if (pty_) return;
  pty_.emplace();
  link_.emplace(com_, pty_->slavePath());
}

void TagReaderDevice::unplug() {
  link_.reset();
  pty_.reset();
}

void TagReaderDevice::send(std::string_view text) const {
  if (!pty_ || !pty_->slaveOpen() || pty_->slaveSpeed() != kReaderSpeed) return;
  pty_->writeFrame(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace tarvelo::balance_sim
