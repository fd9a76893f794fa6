#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "failure.h"

namespace tarvelo::link {

// Line error flags, as the Windows communications driver reports them.
inline constexpr uint32_t kLineErrorRxOver = 0x0001;
inline constexpr uint32_t kLineErrorOverrun = 0x0002;
inline constexpr uint32_t kLineErrorRxParity = 0x0004;
inline constexpr uint32_t kLineErrorFrame = 0x0008;
inline constexpr uint32_t kLineErrorBreak = 0x0010;

// Parity codes of the port's line settings.
inline constexpr uint8_t kParityNone = 0;
inline constexpr uint8_t kParityEven = 2;

// Time-outs of every transfer: a transfer of n bytes ends at the latest
// kTotalTimeoutConstantMs + n * kTotalTimeoutPerByteMs after it starts.
inline constexpr int kTotalTimeoutConstantMs = 1000;
inline constexpr int kTotalTimeoutPerByteMs = 1;
inline constexpr int kReadIntervalTimeoutMs = 1;

// One serial port, as the operating system offers it. The back ends hold only
// OS calls; RalvoComA checks arguments and turns counts and flags into results.
// Every wait ends by the time-outs above, or at once when the device is gone. Open,
// configure and close give the system's failure, none when done.
class PortBackend {
 public:
  virtual ~PortBackend() = default;

  // Opens COM port n exclusively; fails when it does not exist or another program holds it.
  virtual std::optional<Failure> open(int portNumber) = 0;
  // 8 data bits, the parity, 1 stop bit, no flow control, no parity checking on
  // receive, DTR raised, and the time-outs above. Fails when the port refuses the settings.
  virtual std::optional<Failure> configure(uint32_t baud, uint8_t parity) = 0;
  // Never blocks: output the device has not taken is dropped.
  virtual std::optional<Failure> close() = 0;
  virtual bool isOpen() const = 0;
  // Moves up to n bytes and returns how many moved before the time-outs ran out.
  virtual int read(uint8_t* buffer, int n) = 0;
  virtual int write(const uint8_t* buffer, int n) = 0;
  // The line error flags collected since the last call, which clears them.
  virtual uint32_t takeLineErrors() = 0;
  // True once the device went away after the open (hung up, a transfer refused); every
  // transfer then fails at once until the port is opened again. A back end that cannot
  // tell says false.
  virtual bool gone() const { return false; }
};

// Why a COM port could not be opened.
// NotASerialPort: the device opened but is no terminal (/dev/null, a FIFO, a plain file).
enum class PortOpenError { NoSuchDevice, AccessDenied, InUse, NotASerialPort, Other };

// The system's failure of an open, with the port, the device and what the failure means.
struct PortOpenFailure : Failure {
  int portNumber = 0;
  std::string device;  // the path (or name) that was opened
  PortOpenError error = PortOpenError::Other;
};

// Hears of every failed open, on the thread that tried it.
using PortOpenReport = std::function<void(const PortOpenFailure&)>;

class StopSignal;

// The back end of this operating system. A raised stop signal ends its waits at once.
std::unique_ptr<PortBackend> makeSystemPort(const StopSignal* stop = nullptr,
                                            PortOpenReport openFailed = {});

}  // namespace tarvelo::link
