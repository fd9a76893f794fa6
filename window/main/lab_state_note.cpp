#include "window/main/lab_state_note.h"

#include <QStatusBar>

namespace tarvelo::window {

namespace {

// The share of the status bar the note may take; the rest is for the passing messages.
constexpr double kWidthShare = 0.45;
constexpr char kTroubleStyle[] = "color: #b00000;";

}  // namespace

LabStateNote::LabStateNote(QStatusBar* bar) : QLabel(bar) {
  setObjectName("LabServerNote");
  bar->addPermanentWidget(this);
  setMinimumWidth(0);
  hide();  // until the server has been tried, and while none is set
}

void LabStateNote::say(const QString& text, bool trouble) {
  text_ = text;
  setVisible(!text.isEmpty());
  setStyleSheet(trouble ? kTroubleStyle : "");
  setToolTip(text_);
  fit();
}

void LabStateNote::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  fit();
}

void LabStateNote::fit() {
  const int room = static_cast<int>(parentWidget()->width() * kWidthShare);
  setMaximumWidth(room);
  setText(fontMetrics().elidedText(text_, Qt::ElideRight, room));
}

}  // namespace tarvelo::window
