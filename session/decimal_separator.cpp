#include "session/decimal_separator.h"

#include <QLocale>

namespace tarvelo::session {

char systemDecimalSeparator() { return QLocale::system().decimalPoint().at(0).toLatin1(); }

}  // namespace tarvelo::session
