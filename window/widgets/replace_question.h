#pragma once

#include <QString>

class QWidget;

namespace tarvelo::window {

// A save dialog asks before replacing the file chosen in it. When the program writes
// another file than that (another extension), it asks about that file here: true when
// it may be written.
bool mayWriteInstead(QWidget* parent, const QString& chosen, const QString& written);

}  // namespace tarvelo::window
