#include "session/decimal_separator.h"

#include <QLocale>

namespace tarvelo::app {

char systemDecimalSeparator() { return QLocale::system().decimalPoint().at(0).toLatin1(); }

}  // namespace tarvelo::app
