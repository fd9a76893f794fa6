#include "serial_devices.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

#include "com_port_path.h"

namespace tarvelo::link {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 2> kUsbPrefixes{"ttyUSB", "ttyACM"};
constexpr std::string_view kOnBoardPrefix = "ttyS";
constexpr char kPartialLinkSuffix[] = ".new";
constexpr int kUnknownPortType = 0;

bool accessible(const fs::path& device) { return ::access(device.c_str(), R_OK | W_OK) == 0; }

// An on-board port has a UART when the kernel knows its type; the placeholders that the
// serial driver makes for ports the machine lacks have type 0 (unknown).
bool hasUart(const fs::path& ttyClass, const fs::path& device) {
  std::ifstream typeFile(ttyClass / device.filename() / "type");
  int type = 0;
  return typeFile >> type && type != kUnknownPortType;
}

std::string readableName(std::string name) {
  std::replace(name.begin(), name.end(), '_', ' ');
  return name;
}

// The folder's entries whose names start with `prefix`, in name order.
std::vector<fs::path> entriesOf(const fs::path& folder, std::string_view prefix) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (entry.path().filename().string().starts_with(prefix)) entries.push_back(entry.path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace

std::vector<SerialDevice> listSerialDevices(const SerialDeviceFolders& folders) {
  std::vector<SerialDevice> devices;
  std::set<fs::path> named;  // devices a by-id link stands for
  std::error_code error;
  for (const fs::path& link : entriesOf(folders.byId, "")) {
    devices.push_back({link, readableName(link.filename().string()), accessible(link)});
    named.insert(fs::canonical(link, error));
  }
  for (const std::string_view prefix : kUsbPrefixes) {
    for (const fs::path& device : entriesOf(folders.devices, prefix)) {
      if (named.contains(fs::canonical(device, error))) continue;
      devices.push_back({device, device.filename().string(), accessible(device)});
    }
  }
  for (const fs::path& device : entriesOf(folders.devices, kOnBoardPrefix)) {
    if (hasUart(folders.ttyClass, device)) devices.push_back({device, device.filename().string(), accessible(device)});
  }
  return devices;
}

std::error_code linkComPort(int portNumber, const fs::path& device) {
  std::error_code error;
  const fs::path link = comPortLinkPath(portNumber);
  fs::create_directories(link.parent_path(), error);
  if (error) return error;
  const fs::file_status status = fs::symlink_status(link, error);
  if (fs::exists(status) && !fs::is_symlink(status))
    return std::make_error_code(std::errc::file_exists);
  // Made beside it and renamed over it, so the port always has its old or its new device;
  // the process's own name for it, so two programs linking at once never share one.
  fs::path partial = link;
  partial += kPartialLinkSuffix + std::to_string(::getpid());
  fs::remove(partial, error);
  fs::create_symlink(device, partial, error);
  if (!error) fs::rename(partial, link, error);
  return error;
}

}  // namespace tarvelo::link
