#pragma once

#include <QLabel>
#include <QString>
#include <QWidget>

namespace tarvelo::window {

// A label's text as a field's name in a message: without the blanks and the colon
// around it.
inline QString fieldName(const QString& label) {
  QString name = label.trimmed();
  if (name.endsWith(':')) name.chop(1);
  return name.trimmed();
}

// Names each field below `root` that a label stands by after that label, for screen
// readers and checks that look for it by its name (a list shows its choice, not its label).
inline void nameFieldsByTheirLabels(QWidget& root) {
  for (const QLabel* label : root.findChildren<QLabel*>()) {
    QWidget* field = label->buddy();
    if (field != nullptr && field->accessibleName().isEmpty()) field->setAccessibleName(fieldName(label->text()));
  }
}

}  // namespace tarvelo::window
