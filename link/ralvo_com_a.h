#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "clock.h"
#include "port_backend.h"

namespace tarvelo::link {

// Results of RalvoComA::Read. Callers test for ReadOk and treat the rest alike.
enum ReadResult : int {
  ReadOk = 0,
  ReadTimedOut = 1,    // fewer bytes than asked arrived before the time-out
  ReadLineError = 2,   // all bytes arrived but a line error was flagged
  ReadPortClosed = -2,
};

// The program's only access to the serial line: opens a COM port by number with a
// baud rate and parity, and moves a given number of bytes with time-outs. Failures
// are return values only.
class RalvoComA {
 public:
  RalvoComA(std::unique_ptr<PortBackend> backend, Clock& clock);
  virtual ~RalvoComA();
  RalvoComA(const RalvoComA&) = delete;
  RalvoComA& operator=(const RalvoComA&) = delete;

  // An open port is closed first, so one object can change baud rate and parity. The
  // system's failure when the port does not open or refuses the settings.
  std::optional<Failure> Open(int port, uint32_t baud, uint8_t parity);
  std::optional<Failure> Close();
  virtual int Read(uint8_t* buffer, int count);
  // True only when every byte went out and no line error at all was flagged.
  bool Write(const uint8_t* buffer, int count);

  bool isOpen() const { return backend_->isOpen(); }
  // The device went away since the open (unplugged): only a new Open can bring it back.
  bool deviceGone() const { return backend_->gone(); }
  uint32_t baud() const { return baud_; }
  uint8_t parity() const { return parity_; }
  int port() const { return port_; }

 protected:
  Clock& clock_;

 private:
  std::unique_ptr<PortBackend> backend_;
  uint32_t baud_ = 0;
  uint8_t parity_ = kParityNone;
  int port_ = 1;
};

}  // namespace tarvelo::link
