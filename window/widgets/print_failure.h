#pragma once

class QPrinter;
class QWidget;

namespace tarvelo::window {

// Says that `printer` did not take the job it was given.
void reportPrintFailure(QWidget* window, const QPrinter& printer);

}  // namespace tarvelo::window
