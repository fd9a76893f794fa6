#include "link/serial_devices.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "link/com_port_path.h"
#include "link/port_backend.h"
#include "tests/support/simulator_process.h"
#include "tests/support/unprivileged.h"

namespace tarvelo::link {
namespace {

namespace fs = std::filesystem;

constexpr int kPickedCom = 17;

// Folders of plain files standing in for devices, with a by-id link to one of them.
class SerialDevicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::privateConfigHome();
    fs::remove_all(root_);
    fs::create_directories(folders_.byId);
    fs::create_directories(folders_.devices);
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "null"}) {
      std::ofstream(folders_.devices / name);
    }
    fs::create_symlink("../dev/ttyUSB0", folders_.byId / "usb-FTDI_FT232R_A1-if00-port0");
    // What the kernel says of the on-board ports: a 16550A behind ttyS1, ttyS0 and ttyS2
    // placeholders of the driver. The files standing in for them could not be asked.
    for (const auto& [name, type] : {std::pair{"ttyS0", "0"}, {"ttyS1", "4"}, {"ttyS2", "0"}}) {
      fs::create_directories(folders_.ttyClass / name);
      std::ofstream(folders_.ttyClass / name / "type") << type << '\n';
      std::ofstream(folders_.devices / name);
    }
  }
  void TearDown() override { fs::remove_all(root_); }

  // One folder a test, so that tests run in parallel keep apart.
  const fs::path root_ =
      fs::path(::testing::TempDir()) /
      (std::string("tarvelo-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  const SerialDeviceFolders folders_{root_ / "by-id", root_ / "dev", root_ / "sys-class-tty"};
};

// The adapter by its by-id name first and not again by its device; of the on-board
// ports, the one with a UART, told from the placeholders by what the kernel says.
TEST_F(SerialDevicesTest, ListsAdaptersByNameThenTheOtherDevices) {
  const std::vector<SerialDevice> devices = listSerialDevices(folders_);
  std::vector<std::string> names;
  for (const SerialDevice& device : devices) names.push_back(device.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"usb-FTDI FT232R A1-if00-port0", "ttyUSB1", "ttyACM0", "ttyS1"}));
  EXPECT_EQ(devices.front().path, folders_.byId / "usb-FTDI_FT232R_A1-if00-port0");
}

TEST_F(SerialDevicesTest, DeviceTheUserMayNotOpenIsMarked) {
  const auto everyone = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::group_write | fs::perms::others_read | fs::perms::others_write;
  for (const auto& entry : fs::directory_iterator(folders_.devices)) fs::permissions(entry.path(), everyone);
  fs::permissions(folders_.devices / "ttyUSB1", fs::perms::none);
  EXPECT_TRUE(testing_support::holdsForAnUnprivilegedUser([this] {
    const std::vector<SerialDevice> devices = listSerialDevices(folders_);
    return !devices.empty() && std::all_of(devices.begin(), devices.end(), [](const SerialDevice& device) {
      return device.accessible == (device.name != "ttyUSB1");
    });
  }));
}

// The link made is the port's device for the link layer, and a second choice replaces it.
TEST_F(SerialDevicesTest, ChosenDeviceBecomesThePortsDevice) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const fs::path slave = ::ptsname(master);
  ASSERT_FALSE(linkComPort(kPickedCom, folders_.devices / "ttyUSB1"));
  ASSERT_FALSE(linkComPort(kPickedCom, slave));
  EXPECT_EQ(fs::read_symlink(comPortLinkPath(kPickedCom)), slave);
  EXPECT_EQ(comPortDevice(kPickedCom), comPortLinkPath(kPickedCom));
  const auto port = makeSystemPort();
  EXPECT_FALSE(port->open(kPickedCom));
  port->close();
  ::close(master);

  // A file in the link's place that is no link is not the picker's to replace.
  const fs::path file = comPortLinkPath(kPickedCom + 1);
  std::ofstream(file) << "kept";
  EXPECT_EQ(linkComPort(kPickedCom + 1, slave), std::errc::file_exists);
  EXPECT_FALSE(fs::is_symlink(file));
  fs::remove(file);
}

}  // namespace
}  // namespace tarvelo::link
