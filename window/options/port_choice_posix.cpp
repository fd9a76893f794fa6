#include "link/com_port_path.h"
#include "window/options/port_choice.h"

namespace tarvelo::window {

namespace {

QString pathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

QString portNowText(int port, const std::vector<link::SerialDevice>& /*devices*/) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::read_symlink(link::comPortLinkPath(port), error);
  if (error) return QString("COM%1: %2 (своей связи нет)").arg(port).arg(pathText(link::comPortDevice(port)));
  return QString("COM%1 связан с %2").arg(port).arg(pathText(target));
}

QString choiceButtonText(int port) { return QString("Связать с COM%1").arg(port); }

std::variant<int, QString> choosePort(int port, const link::SerialDevice& device) {
  if (const std::error_code error = link::linkComPort(port, device.path)) {
    return QString("Не удалось связать COM%1 с %2: %3")
        .arg(port)
        .arg(pathText(device.path), QString::fromLocal8Bit(error.message().c_str()));
  }
  return port;
}

}  // namespace tarvelo::window
