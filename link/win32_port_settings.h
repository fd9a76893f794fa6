#pragma once

// What the Win32 back end hands to the communications driver, built apart from the
// port so the settings each protocol asks for can be checked without a device.
#include <windows.h>

#include <cstdint>
#include <string>

namespace tarvelo::link {

// "\\.\COMn": the device namespace prefix makes COM10 and above openable as well.
std::string comDeviceName(int portNumber);

// The driver's `current` line settings with exactly the baud rate, binary mode, no parity
// checking on receive, 8 data bits, the parity, 1 stop bit and DTR raised while the port
// is open; flow control, XON/XOFF and RTS stay as the driver reported them.
DCB lineSettings(const DCB& current, uint32_t baud, uint8_t parity);

// A read of n bytes ends 1000 + n ms after it starts at the latest, and as soon as more
// than 1 ms passes between two bytes; a write ends 1000 + n ms after it starts.
COMMTIMEOUTS portTimeouts();

}  // namespace tarvelo::link
