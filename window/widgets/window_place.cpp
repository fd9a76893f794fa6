#include "window/widgets/window_place.h"

#include <QWidget>

#include "window/widgets/centre_on_screen.h"

namespace tarvelo::window {

void WindowPlace::restore(const std::string& text) {
  stored_ = QByteArray::fromBase64(QByteArray::fromStdString(text));
}

std::string WindowPlace::text() const {
  const QByteArray place = window_ != nullptr ? window_->saveGeometry() : stored_;
  return place.toBase64().toStdString();
}

void WindowPlace::put(QWidget& window, const QSize& wanted, const QScreen& screen) {
  if (window_ == &window) return;
  window_ = &window;
  // Qt moves a stored place that is off every screen now back onto one.
  if (!stored_.isEmpty() && window.restoreGeometry(stored_)) return;
  placeOnScreen(window, wanted, screen);
}

}  // namespace tarvelo::window
