#include "window/widgets/centre_on_screen.h"

#include <QScreen>
#include <QWidget>

namespace tarvelo::window {

namespace {

constexpr int kFrameAllowancePx = 48;  // a title bar and borders

}  // namespace

void centreOnScreen(QWidget& window, const QScreen& screen) {
  window.winId();
  QRect frame = window.frameGeometry();
  frame.moveCenter(screen.availableGeometry().center());
  window.move(frame.topLeft());
}

void placeOnScreen(QWidget& window, const QSize& wanted, const QScreen& screen) {
  window.winId();
  // The frame is known once the native window is made; a frame not yet drawn is allowed for.
  const QSize frame = (window.frameGeometry().size() - window.size()).expandedTo(QSize(kFrameAllowancePx, kFrameAllowancePx));
  window.resize(wanted.boundedTo(screen.availableGeometry().size() - frame));
  centreOnScreen(window, screen);
}

}  // namespace tarvelo::window
