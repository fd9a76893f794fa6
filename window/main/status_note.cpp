#include "window/main/status_note.h"

#include <QStatusBar>

namespace tarvelo::window {

namespace {

constexpr char kTroubleStyle[] = "color: #b00000;";

}  // namespace

StatusNote::StatusNote(QStatusBar* bar, const QString& name, double widthShare)
    : QLabel(bar), widthShare_(widthShare) {
  setObjectName(name);
  bar->addPermanentWidget(this);
  setMinimumWidth(0);
  hide();
}

void StatusNote::say(const QString& text, bool trouble) {
  text_ = text;
  setVisible(!text.isEmpty());
  setStyleSheet(trouble ? kTroubleStyle : "");
  setToolTip(text_);
  fit();
}

void StatusNote::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  fit();
}

void StatusNote::fit() {
  const int room = static_cast<int>(parentWidget()->width() * widthShare_);
  setMaximumWidth(room);
  setText(fontMetrics().elidedText(text_, Qt::ElideRight, room));
}

}  // namespace tarvelo::window
