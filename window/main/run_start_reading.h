#pragma once

#include <QMessageBox>
#include <QString>
#include <variant>

#include "session/weighing_session.h"

namespace Ui {
class TMainForm;
}

namespace tarvelo::window {

class HandsFreePanel;

// Why the window's settings cannot start a run, as the window says it.
struct StartRefusal {
  QMessageBox::Icon icon;
  QString message;
};

// A run's start as the window's settings give it, or why they cannot. Every number is
// read before a run starts, so a bad one starts nothing; the window mends what it
// always has on the way (an out-of-range statistics window back to 100, a limit
// without a number unticked, an empty period to "0").
std::variant<session::RunStart, StartRefusal> readRunStart(Ui::TMainForm& ui, const HandsFreePanel& handsFree,
                                                  bool handsFreeArmed);

}  // namespace tarvelo::window
