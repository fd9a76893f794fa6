#pragma once

#include <QByteArray>
#include <QPointer>
#include <string>

class QScreen;
class QSize;
class QWidget;

namespace tarvelo::window {

// Where the user left one of the program's windows, kept across starts: the window comes
// back there when first shown, or sized to what it wants and centred on the main window's
// screen when nothing usable is stored.
class WindowPlace {
 public:
  // The stored place, as `text()` gave it at the last shutdown.
  void restore(const std::string& text);
  // The window's place now, or the stored one while the window has not been shown.
  std::string text() const;
  // Places the window before it is first shown in this start; later calls leave it where
  // the user has it.
  void put(QWidget& window, const QSize& wanted, const QScreen& screen);

 private:
  QByteArray stored_;
  QPointer<QWidget> window_;
};

// The places of the windows the main window opens.
struct WindowPlaces {
  WindowPlace graph;
  WindowPlace journal;
  WindowPlace options;
};

}  // namespace tarvelo::window
