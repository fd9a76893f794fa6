// Serial port on the Win32 communications API.
//
// The port is opened for overlapped I/O; every transfer is a ReadFile or WriteFile on
// the one OVERLAPPED record and its manual-reset event, and the driver's COMMTIMEOUTS
// end it. The wait for the transfer also waits on the stop signal: a raised stop
// cancels the transfer (CancelIoEx) and waits only for the cancellation. A transfer
// the driver refuses at once (the device was removed) is not waited for at all, and the
// device counts as gone until the port is opened again.
#include <windows.h>

#include <array>
#include <optional>
#include <utility>

#include "port_backend.h"
#include "stop_signal.h"
#include "win32_port_settings.h"

namespace tarvelo::link {

namespace {

PortOpenError openErrorOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
      return PortOpenError::NoSuchDevice;
    // A COM port another program holds answers "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return PortOpenError::InUse;
    default:
      return PortOpenError::Other;
  }
}

class Win32Port final : public PortBackend {
 public:
  Win32Port(const StopSignal* stop, PortOpenReport openFailed)
      : stop_(stop), openFailed_(std::move(openFailed)) {
    // Created signalled, as no transfer is under way.
    overlapped_.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (overlapped_.hEvent == nullptr) eventError_ = GetLastError();
  }
  ~Win32Port() override {
    close();
    if (overlapped_.hEvent != nullptr) CloseHandle(overlapped_.hEvent);
  }
  Win32Port(const Win32Port&) = delete;
  Win32Port& operator=(const Win32Port&) = delete;

  std::optional<Failure> open(int portNumber) override {
    const std::string device = comDeviceName(portNumber);
    // Without its event no transfer could be waited for.
    if (overlapped_.hEvent == nullptr) return openFailed(portNumber, device, eventError_, PortOpenError::Other);
    gone_ = false;
    // Share mode 0: no other program may open the port while this one holds it.
    handle_ = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE) return std::nullopt;
    const DWORD error = GetLastError();
    return openFailed(portNumber, device, error, openErrorOf(error));
  }

  std::optional<Failure> configure(uint32_t baud, uint8_t parity) override {
    DCB current{};
    current.DCBlength = sizeof current;
    GetCommState(handle_, &current);
    DCB dcb = lineSettings(current, baud, parity);
    COMMTIMEOUTS timeouts = portTimeouts();
    SetCommTimeouts(handle_, &timeouts);
    const std::optional<Failure> refused =
        SetCommState(handle_, &dcb) != FALSE ? std::nullopt : std::optional(systemFailure(GetLastError()));
    // A device without modem lines (a pseudo-terminal under Wine) refuses this: no DTR to raise.
    EscapeCommFunction(handle_, SETDTR);
    return refused;
  }

  std::optional<Failure> close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return std::nullopt;
    // Unsent output is dropped, not sent to whatever comes next on the line.
    PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_RXCLEAR);
    if (CloseHandle(handle_) == FALSE) return systemFailure(GetLastError());
    handle_ = INVALID_HANDLE_VALUE;
    return std::nullopt;
  }

  bool isOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

  int read(uint8_t* buffer, int n) override {
    return transfer(ReadFile(handle_, buffer, static_cast<DWORD>(n), nullptr, &overlapped_));
  }

  int write(const uint8_t* buffer, int n) override {
    return transfer(WriteFile(handle_, buffer, static_cast<DWORD>(n), nullptr, &overlapped_));
  }

  bool gone() const override { return gone_; }

  uint32_t takeLineErrors() override {
    DWORD errors = 0;
    ClearCommError(handle_, &errors, &status_);
    return errors;
  }

 private:
  // Reports the open that failed with the system's `error`, which means `meaning`, and
  // gives its failure.
  Failure openFailed(int portNumber, const std::string& device, DWORD error, PortOpenError meaning) const {
    Failure failure = systemFailure(static_cast<int>(error));
    if (openFailed_) openFailed_({failure, portNumber, device, meaning});
    return failure;
  }

  // Waits for the transfer just started (`started` is what ReadFile or WriteFile gave)
  // and returns how many bytes it moved.
  int transfer(BOOL started) {
    if (started == FALSE && GetLastError() != ERROR_IO_PENDING) {
      gone_ = true;
      return 0;
    }
    const std::array<HANDLE, 2> events{overlapped_.hEvent,
                                       stop_ != nullptr ? stop_->waitHandle() : nullptr};
    const DWORD count = events[1] != nullptr ? 2 : 1;
    if (WaitForMultipleObjects(count, events.data(), FALSE, INFINITE) != WAIT_OBJECT_0) {
      CancelIoEx(handle_, &overlapped_);
      DWORD moved = 0;
      GetOverlappedResult(handle_, &overlapped_, &moved, TRUE);
      return static_cast<int>(moved);
    }
    DWORD moved = 0;
    GetOverlappedResult(handle_, &overlapped_, &moved, FALSE);
    return static_cast<int>(moved);
  }

  const StopSignal* stop_;
  PortOpenReport openFailed_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped_{};
  DWORD eventError_ = ERROR_SUCCESS;
  bool gone_ = false;
  COMSTAT status_{};
};

}  // namespace

std::unique_ptr<PortBackend> makeSystemPort(const StopSignal* stop, PortOpenReport openFailed) {
  return std::make_unique<Win32Port>(stop, std::move(openFailed));
}

}  // namespace tarvelo::link
