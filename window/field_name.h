#pragma once

#include <QString>

namespace tarvelo::app {

// A label's text as a field's name in a message: without the blanks and the colon
// around it.
inline QString fieldName(const QString& label) {
  QString name = label.trimmed();
  if (name.endsWith(':')) name.chop(1);
  return name.trimmed();
}

}  // namespace tarvelo::app
