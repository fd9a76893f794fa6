#pragma once

class QScreen;
class QSize;
class QWidget;

namespace tarvelo::window {

// Puts a window, frame and all, in the middle of the screen's free area (without the
// task bar). The native window is made first: before that its frame is not known.
void centreOnScreen(QWidget& window, const QScreen& screen);

// Gives the window the size it wants, as far as the screen's free area holds it with its
// frame, and centres it there.
void placeOnScreen(QWidget& window, const QSize& wanted, const QScreen& screen);

}  // namespace tarvelo::window
