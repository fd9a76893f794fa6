#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cwctype>
#include <string>

#include "link/serial_devices.h"
#include "link/wide_text.h"

namespace tarvelo::link {

namespace {

constexpr DWORD kNameChars = 256;
// GUID_DEVINTERFACE_COMPORT, the interface every COM port driver announces.
constexpr GUID kComPortInterface = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// "COM5" gives 5; anything else 0.
int comNumber(const std::wstring& portName) {
  if (portName.size() < 4 || _wcsnicmp(portName.c_str(), L"COM", 3) != 0) return 0;
  int number = 0;
  for (std::size_t i = 3; i < portName.size(); ++i) {
    if (!std::iswdigit(portName[i])) return 0;
    number = number * 10 + (portName[i] - L'0');
  }
  return number;
}

void add(std::vector<SerialDevice>& devices, int port, const std::wstring& name) {
  if (port <= 0) return;
  const auto known = std::find_if(devices.begin(), devices.end(), [port](const auto& d) { return d.comPort == port; });
  if (known != devices.end()) return;
  devices.push_back({std::filesystem::path(L"\\\\.\\COM" + std::to_wstring(port)), narrowText(name), true, port});
}

// The COM port interfaces with their friendly names.
void addComPortInterfaces(std::vector<SerialDevice>& devices) {
  HDEVINFO set = SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA info{};
  info.cbSize = sizeof info;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &info); ++index) {
    wchar_t portName[kNameChars] = {};
    HKEY key = SetupDiOpenDevRegKey(set, &info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    DWORD size = sizeof portName - sizeof(wchar_t);
    const bool named = RegQueryValueExW(key, L"PortName", nullptr, nullptr, reinterpret_cast<BYTE*>(portName),
                                        &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!named) continue;
    wchar_t friendly[kNameChars] = {};
    const bool hasFriendlyName =
        SetupDiGetDeviceRegistryPropertyW(set, &info, SPDRP_FRIENDLYNAME, nullptr, reinterpret_cast<BYTE*>(friendly),
                                          sizeof friendly - sizeof(wchar_t), nullptr);
    add(devices, comNumber(portName), hasFriendlyName ? friendly : portName);
  }
  SetupDiDestroyDeviceInfoList(set);
}

// Ports that no driver announces as an interface (Wine's, some virtual ports) are still
// in the device map.
void addDeviceMapPorts(std::vector<SerialDevice>& devices) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  for (DWORD index = 0;; ++index) {
    wchar_t valueName[kNameChars] = {};
    wchar_t portName[kNameChars] = {};
    DWORD nameChars = kNameChars;
    DWORD size = sizeof portName - sizeof(wchar_t);
    DWORD type = 0;
    if (RegEnumValueW(key, index, valueName, &nameChars, nullptr, &type, reinterpret_cast<BYTE*>(portName), &size) !=
        ERROR_SUCCESS) {
      break;
    }
    if (type == REG_SZ) add(devices, comNumber(portName), portName);
  }
  RegCloseKey(key);
}

}  // namespace

std::vector<SerialDevice> listSerialDevices(const SerialDeviceFolders& /*folders*/) {
  std::vector<SerialDevice> devices;
  addComPortInterfaces(devices);
  addDeviceMapPorts(devices);
  std::sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) { return a.comPort < b.comPort; });
  return devices;
}

}  // namespace tarvelo::link
