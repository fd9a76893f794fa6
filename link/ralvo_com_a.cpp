#include "ralvo_com_a.h"

namespace tarvelo::link {

namespace {

// A write after which only a receive-parity error is flagged pauses this long.
constexpr uint32_t kParityPauseMs = 1;

}  // namespace

RalvoComA::RalvoComA(std::unique_ptr<PortBackend> backend, Clock& clock)
    : clock_(clock), backend_(std::move(backend)) {}

RalvoComA::~RalvoComA() { Close(); }

std::optional<Failure> RalvoComA::Open(int port, uint32_t baud, uint8_t parity) {
  if (backend_->isOpen()) Close();
  port_ = port;
  baud_ = baud;
  parity_ = parity;
  if (std::optional<Failure> failure = backend_->open(port)) return failure;
  // A port that refuses the settings stays open until the next Open or Close.
  return backend_->configure(baud, parity);
}

std::optional<Failure> RalvoComA::Close() { return backend_->close(); }

int RalvoComA::Read(uint8_t* buffer, int count) {
  if (!backend_->isOpen()) return ReadPortClosed;
  if (backend_->read(buffer, count) != count) return ReadTimedOut;
  // A lone receive-parity flag does not fail a read.
  const uint32_t errors = backend_->takeLineErrors();
  return errors == 0 || errors == kLineErrorRxParity ? ReadOk : ReadLineError;
}

bool RalvoComA::Write(const uint8_t* buffer, int count) {
  if (!backend_->isOpen()) return false;
  if (backend_->write(buffer, count) != count) return false;
  const uint32_t errors = backend_->takeLineErrors();
  if (errors == kLineErrorRxParity) clock_.sleepMs(kParityPauseMs);
  return errors == 0;
}

}  // namespace tarvelo::link
