#pragma once

#include <QString>
#include <variant>
#include <vector>

#include "link/serial_devices.h"

namespace tarvelo::window {

// What "Порт весов" says of COM `port` and does with the device chosen for it; one file a
// system. On POSIX the port is a link the program keeps, and the chosen device becomes
// the port's; on Windows the system names its ports, and the chosen port becomes the
// balance's.
QString portNowText(int port, const std::vector<link::SerialDevice>& devices);
QString choiceButtonText(int port);
// The port the window's balance is on afterwards, or why the choice failed.
std::variant<int, QString> choosePort(int port, const link::SerialDevice& device);

}  // namespace tarvelo::window
