#include "win32_port_settings.h"

#include "port_backend.h"

namespace tarvelo::link {

std::string comDeviceName(int portNumber) { return "\\\\.\\COM" + std::to_string(portNumber); }

DCB lineSettings(const DCB& current, uint32_t baud, uint8_t parity) {
  DCB dcb = current;
  dcb.BaudRate = baud;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.ByteSize = 8;
  dcb.Parity = parity;
  dcb.StopBits = ONESTOPBIT;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  // Reads do not clear line errors after every transfer; a driver's abort-on-error would
  // then refuse every later one.
  dcb.fAbortOnError = FALSE;
  return dcb;
}

COMMTIMEOUTS portTimeouts() {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = kReadIntervalTimeoutMs;
  timeouts.ReadTotalTimeoutMultiplier = kTotalTimeoutPerByteMs;
  timeouts.ReadTotalTimeoutConstant = kTotalTimeoutConstantMs;
  timeouts.WriteTotalTimeoutMultiplier = kTotalTimeoutPerByteMs;
  timeouts.WriteTotalTimeoutConstant = kTotalTimeoutConstantMs;
  return timeouts;
}

}  // namespace tarvelo::link
