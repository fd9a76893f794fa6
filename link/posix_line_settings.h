#pragma once

// The termios settings handed to the serial driver, built apart from the port so the
// line each protocol asks for can be checked: a pseudo-terminal ignores parity and
// flow control, so they cannot be read back from one.
#include <asm/termbits.h>

#include <cstdint>

namespace tarvelo::link {

// A raw binary line of 8 data bits, the parity, 1 stop bit and the baud rate, on top
// of the driver's `current` settings: no translation, no echo, no signals, no flow
// control, no parity checking on receive, reads that return what has arrived.
termios2 rawLineSettings(const termios2& current, uint32_t baud, uint8_t parity);

}  // namespace tarvelo::link
