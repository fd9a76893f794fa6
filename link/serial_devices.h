#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tarvelo::link {

// A serial device a COM port may be linked to (POSIX), or a COM port the system has
// (Windows).
struct SerialDevice {
  std::filesystem::path path;  // a /dev/serial/by-id link or the device itself; \\.\COMn
  std::string name;            // its readable name, UTF-8
  bool accessible;             // this user may open it for reading and writing
  int comPort = 0;             // Windows: the COM port number the system gave it
};

// Where devices are looked for; tests give folders of their own.
struct SerialDeviceFolders {
  std::filesystem::path byId = "/dev/serial/by-id";
  std::filesystem::path devices = "/dev";
  std::filesystem::path ttyClass = "/sys/class/tty";  // what the kernel says of each tty
};

// The serial devices that exist. No device is opened to tell: opening a port raises its
// modem lines. One file a system:
// - serial_devices_posix.cpp: the by-id links first, named after the adapter, then the
//   USB and ACM devices no by-id link names, then the on-board ports that have a UART;
// - serial_devices_win32.cpp: the system's COM ports by their friendly names, such as
//   "USB-SERIAL CH340 (COM5)", in port order (the folders are not used).
std::vector<SerialDevice> listSerialDevices(const SerialDeviceFolders& folders = {});

// Makes COM `portNumber` the device `device`, replacing the link it had; a file in the
// link's place that is no link is left alone (file_exists). POSIX only: Windows names
// its ports itself.
std::error_code linkComPort(int portNumber, const std::filesystem::path& device);

}  // namespace tarvelo::link
