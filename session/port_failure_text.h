#pragma once

#include <QString>

#include "link/port_backend.h"

namespace tarvelo::session {

// The fix a user without access to a serial device needs.
inline const QString kDialoutFix =
    QStringLiteral("добавьте пользователя в группу dialout и войдите заново");

// Why a port could not be opened, for the user: "COM5 (/dev/ttyUSB0): нет доступа — …".
QString portFailureText(const link::PortOpenFailure& failure);

}  // namespace tarvelo::session
