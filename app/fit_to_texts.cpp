#include "fit_to_texts.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>
#include <algorithm>

namespace tarvelo::app {

namespace {

constexpr int kPanelMargin = 4;

bool onOneLine(const QWidget* a, const QWidget* b) {
  return a->y() < b->y() + b->height() && b->y() < a->y() + a->height();
}

}  // namespace

void fitToTexts(QWidget* panel) {
  // A layout sizes its widgets by their texts already.
  if (panel->layout() != nullptr) return;
  QList<QWidget*> controls = panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  std::sort(controls.begin(), controls.end(),
            [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
  for (QWidget* control : controls) fitToTexts(control);
  for (QWidget* control : controls) {
    if (qobject_cast<QLabel*>(control) == nullptr &&
        qobject_cast<QAbstractButton*>(control) == nullptr)
      continue;
    const int growth = control->sizeHint().width() - control->width();
    if (growth <= 0) continue;
    const int oldRight = control->x() + control->width();
    control->resize(control->width() + growth, control->height());
    for (QWidget* other : controls) {
      if (other != control && other->x() >= oldRight && onOneLine(control, other))
        other->move(other->x() + growth, other->y());
    }
  }
  const QRect used = panel->childrenRect();
  panel->resize(std::max(panel->width(), used.right() + kPanelMargin),
                std::max(panel->height(), used.bottom() + kPanelMargin));
}

}  // namespace tarvelo::app
