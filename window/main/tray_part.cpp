#include "window/main/tray_part.h"

#include <QFileInfo>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QLabel>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <cstdio>

namespace tarvelo::window {

namespace {

const QString kTrayTip = QStringLiteral("Tarvelo");
// The status line's own margins and size grip.
constexpr int kStatusLineMarginPx = 24;
constexpr int kPassingNoteMs = 10000;

}  // namespace

TrayPart::TrayPart(QMainWindow* window, QAction* closeAction, std::function<bool()> trayAvailable)
    : QObject(window),
      window_(window),
      trayAvailable_(std::move(trayAvailable)),
      PopupMenu1(new QMenu(window)),
      trayIcon(new QSystemTrayIcon(QIcon(":/tarvelo.png"), window)) {
  PopupMenu1->addAction(closeAction);
  trayIcon->setToolTip(kTrayTip);
  trayIcon->setContextMenu(PopupMenu1);
  connect(trayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::DoubleClick) return;
    window_->show();
    window_->setEnabled(true);
  });
  trayIcon->show();
}

void TrayPart::showState(const QString& suffix) { trayIcon->setToolTip(kTrayTip + suffix); }

// Without a notification area there would be no way back to the window, so it stays
// shown and says why.
void TrayPart::hideForHiddenRun(const QString& logFile) {
  if (trayAvailable_()) {
    window_->hide();
    return;
  }
  window_->show();
  const QString note = QString("Идет запись в скрытом режиме в файл «%1». Окно не скрыто: на рабочем столе "
                               "нет области уведомлений.");
  // A long path would push the end of the line past the window's edge: the line names the
  // file, the tip the whole path.
  QStatusBar* bar = window_->statusBar();
  const int room = window_->width() - kStatusLineMarginPx;
  QString line = note.arg(logFile);
  if (bar->fontMetrics().horizontalAdvance(line) > room) {
    line = note.arg(QFileInfo(logFile).fileName());
    line = bar->fontMetrics().elidedText(line, Qt::ElideMiddle, room);
  }
  bar->setToolTip(note.arg(logFile));
  bar->showMessage(line);
}

void TrayPart::showLastingNote(const QString& message) {
  QStatusBar* bar = window_->statusBar();
  auto* note = bar->findChild<QLabel*>("LastingNote");
  if (note == nullptr) {
    note = new QLabel(bar);
    note->setObjectName("LastingNote");
    bar->addPermanentWidget(note);
  }
  note->setToolTip(message);
  note->setText(bar->fontMetrics().elidedText(message, Qt::ElideMiddle, window_->width() - kStatusLineMarginPx));
}

void TrayPart::endLastingNote(const QString& message) {
  QStatusBar* bar = window_->statusBar();
  delete bar->findChild<QLabel*>("LastingNote");
  bar->showMessage(message, kPassingNoteMs);
}

void TrayPart::clearNote() {
  // The layout has no status bar; one is added only to say why a hidden run is shown.
  if (auto* bar = window_->findChild<QStatusBar*>()) bar->clearMessage();
}

void printToStandardError(const QString& message) {
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  std::fflush(stderr);
}

void TrayPart::tellUnattended(const QString& message) {
  printToStandardError(message);
  if (trayIcon->isVisible()) trayIcon->showMessage(window_->windowTitle(), message, QSystemTrayIcon::Critical);
}

}  // namespace tarvelo::window
