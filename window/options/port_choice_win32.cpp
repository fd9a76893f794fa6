#include <algorithm>

#include "window/options/port_choice.h"

namespace tarvelo::window {

QString portNowText(int port, const std::vector<link::SerialDevice>& devices) {
  const auto device =
      std::find_if(devices.begin(), devices.end(), [port](const auto& d) { return d.comPort == port; });
  if (device == devices.end()) return QString("COM%1: такого порта в системе нет").arg(port);
  return QString("COM%1: %2").arg(port).arg(QString::fromStdString(device->name));
}

QString choiceButtonText(int /*port*/) { return QStringLiteral("Выбрать этот порт"); }

std::variant<int, QString> choosePort(int /*port*/, const link::SerialDevice& device) { return device.comPort; }

}  // namespace tarvelo::window
