#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tarvelo::link {

// A serial device a COM port may be linked to.
struct SerialDevice {
  std::filesystem::path path;  // a /dev/serial/by-id link, or the device itself
  std::string name;            // its readable name
  bool accessible;             // this user may open it for reading and writing
};

// Where devices are looked for; tests give folders of their own.
struct SerialDeviceFolders {
  std::filesystem::path byId = "/dev/serial/by-id";
  std::filesystem::path devices = "/dev";
  std::filesystem::path ttyClass = "/sys/class/tty";  // what the kernel says of each tty
};

// The serial devices that exist: the by-id links first, named after the adapter, then the
// USB and ACM devices no by-id link names, then the on-board ports that have a UART.
// No device is opened to tell: opening a port raises its modem lines.
std::vector<SerialDevice> listSerialDevices(const SerialDeviceFolders& folders = {});

// Makes COM `portNumber` the device `device`, replacing the link it had; a file in the
// link's place that is no link is left alone (file_exists).
std::error_code linkComPort(int portNumber, const std::filesystem::path& device);

}  // namespace tarvelo::link
