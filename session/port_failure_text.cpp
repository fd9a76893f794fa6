#include "port_failure_text.h"

#include <filesystem>
#include <system_error>

namespace tarvelo::session {

QString portFailureText(const link::PortOpenFailure& failure) {
  QString reason;
  switch (failure.error) {
    case link::PortOpenError::NoSuchDevice:
      reason = "нет такого устройства";
      break;
    case link::PortOpenError::AccessDenied:
      reason = "нет доступа — " + kDialoutFix;
      break;
    case link::PortOpenError::InUse:
      reason = "порт занят другой программой";
      break;
    case link::PortOpenError::NotASerialPort:
      reason = "это не последовательный порт";
      break;
    case link::PortOpenError::Other:
      reason = QString::fromStdString(failure.message);
      break;
  }
  // A port of the configuration folder is a link: the device it names is what is missing.
  std::error_code error;
  const std::filesystem::path device(failure.device);
  const std::filesystem::path target = std::filesystem::read_symlink(device, error);
  const QString shown =
      QString::fromStdString(error ? device.string() : device.string() + " → " + target.string());
  return QString("COM%1 (%2): %3").arg(failure.portNumber).arg(shown, reason);
}

}  // namespace tarvelo::session
