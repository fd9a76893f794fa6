#include "link/win32_port_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "link/port_backend.h"
#include "link/serial_devices.h"
#include "link/system_error_text.h"

namespace tarvelo::link {
namespace {

TEST(Win32PortSettings, DeviceNameWorksForEveryPortNumber) {
  EXPECT_EQ(comDeviceName(1), "\\\\.\\COM1");
  EXPECT_EQ(comDeviceName(12), "\\\\.\\COM12");
  EXPECT_EQ(comDeviceName(255), "\\\\.\\COM255");
}

// What the driver reported, with every field this program leaves alone set unlike the
// defaults, so a change to one of them shows.
DCB reportedByTheDriver() {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = 110;
  dcb.fParity = TRUE;
  dcb.ByteSize = 7;
  dcb.Parity = ODDPARITY;
  dcb.StopBits = TWOSTOPBITS;
  dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
  dcb.fOutX = TRUE;
  dcb.fInX = TRUE;
  dcb.fAbortOnError = TRUE;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return dcb;
}

TEST(Win32PortSettings, EachProtocolsLineAndNothingElse) {
  struct Line {
    uint32_t baud;
    uint8_t parity;
  };
  // BM_balance, TSK, B_balance.
  for (const Line line : {Line{2400, kParityEven}, Line{9600, kParityEven}, Line{19200, kParityNone}}) {
    SCOPED_TRACE(line.baud);
    const DCB reported = reportedByTheDriver();
    const DCB dcb = lineSettings(reported, line.baud, line.parity);
    EXPECT_EQ(dcb.BaudRate, line.baud);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 0u) << "no parity checking on receive";
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, line.parity);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fAbortOnError, 0u) << "a line error must not stop every later transfer";
    // Flow control, XON/XOFF and RTS as the driver had them.
    EXPECT_EQ(dcb.fOutxCtsFlow, reported.fOutxCtsFlow);
    EXPECT_EQ(dcb.fRtsControl, reported.fRtsControl);
    EXPECT_EQ(dcb.fOutX, reported.fOutX);
    EXPECT_EQ(dcb.fInX, reported.fInX);
    EXPECT_EQ(dcb.XonChar, reported.XonChar);
    EXPECT_EQ(dcb.XoffChar, reported.XoffChar);
  }
}

TEST(Win32PortSettings, TimeoutsEndAReadOnA1MsGapOrAfterASecondAndAMsPerByte) {
  const COMMTIMEOUTS timeouts = portTimeouts();
  EXPECT_EQ(timeouts.ReadIntervalTimeout, 1u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 1u);
  EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 1000u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 1u);
  EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 1000u);
}

}  // namespace
}  // namespace tarvelo::link

// Win32 error codes are no errno values: their text comes from the system, whole lines
// without the line break the system ends them with.
TEST(Win32SystemErrorText, NamesTheErrorInTheSystemsWords) {
  for (const DWORD error : {DWORD{ERROR_GEN_FAILURE}, DWORD{ERROR_DEVICE_NOT_CONNECTED}}) {
    const std::string text = tarvelo::link::systemErrorText(static_cast<int>(error));
    SCOPED_TRACE(text);
    EXPECT_NE(text, std::strerror(static_cast<int>(error)));
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(text.find("ошибка "), std::string::npos) << "the system has a text for it";
  }
}

// A port that only the system's device map names (Wine's, a virtual port's) is listed under
// its own number, and the list keeps port order.
TEST(Win32SerialDevices, PortsOfTheDeviceMapAreListedInOrder) {
  HKEY map = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &map, nullptr),
            ERROR_SUCCESS);
  const std::wstring port = L"COM42";
  ASSERT_EQ(RegSetValueExW(map, L"\\Device\\TarveloTest", 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                           static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  const auto devices = tarvelo::link::listSerialDevices();
  RegDeleteValueW(map, L"\\Device\\TarveloTest");
  RegCloseKey(map);

  const auto listed = std::find_if(devices.begin(), devices.end(), [](const auto& d) { return d.comPort == 42; });
  ASSERT_NE(listed, devices.end());
  EXPECT_EQ(listed->path.wstring(), L"\\\\.\\COM42");
  EXPECT_EQ(listed->name, "COM42");
  EXPECT_TRUE(std::is_sorted(devices.begin(), devices.end(),
                             [](const auto& a, const auto& b) { return a.comPort < b.comPort; }));
}
