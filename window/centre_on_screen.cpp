#include "window/centre_on_screen.h"

#include <QScreen>
#include <QWidget>

namespace tarvelo::app {

void centreOnScreen(QWidget& window, const QScreen& screen) {
  window.winId();
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen.availableGeometry().center());
  window.move(frame.topLeft());
}

}  // namespace tarvelo::app
