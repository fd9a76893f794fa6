#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMainWindow;
class QMenu;
class QSystemTrayIcon;

namespace tarvelo::window {

// A line for whoever started the program from a script or a schedule.
void printToStandardError(const QString& message);

// The tray icon and how an unattended run shows itself: a hidden run goes on behind the
// icon, or, on a desktop without a notification area, in the shown window with a note
// on its status line; what such a run has to say goes to standard error and the tray,
// never to a box nobody may be there to close. Owned by the main window.
class TrayPart : public QObject {
 public:
  // The icon's menu holds `closeAction`; a double click on the icon shows the window.
  TrayPart(QMainWindow* window, QAction* closeAction, std::function<bool()> trayAvailable);

  // The run's state after the program's name, where the icon is.
  void showState(const QString& suffix);
  void hideForHiddenRun(const QString& logFile);
  // The program started hidden, as stored: what it has to say goes to standard error too.
  void startHidden() { hiddenStart_ = true; }
  bool hiddenStart() const { return hiddenStart_; }
  // A note at the status line's right end that stays when runs end.
  void showLastingNote(const QString& message);
  // The lasting note goes, and `message` shows for a while in its place.
  void endLastingNote(const QString& message);
  // A run ended: the status line's note goes.
  void clearNote();
  void tellUnattended(const QString& message);

 private:
  QMainWindow* window_;
  std::function<bool()> trayAvailable_;
  QMenu* PopupMenu1;
  QSystemTrayIcon* trayIcon;
  bool hiddenStart_ = false;
};

}  // namespace tarvelo::window
