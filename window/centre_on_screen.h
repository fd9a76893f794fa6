#pragma once

class QScreen;
class QWidget;

namespace tarvelo::app {

// Puts a window, frame and all, in the middle of the screen's free area (without the
// task bar). The native window is made first: before that its frame is not known.
void centreOnScreen(QWidget& window, const QScreen& screen);

}  // namespace tarvelo::app
