#pragma once

// What the keyboard and a screen reader reach in a window: the controls Tab stops at, the
// ones it never reaches, and those without a name.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QSet>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace tarvelo::testing {

// The controls of `window` a person can Tab to: shown, taking focus by Tab, and enabled
// unless `alsoDisabled`.
inline QList<QWidget*> tabStops(QWidget& window, bool alsoDisabled = false) {
  QList<QWidget*> stops;
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (widget->window() != &window || !widget->isVisibleTo(&window)) continue;
    if (!widget->isEnabled() && !alsoDisabled) continue;
    if ((widget->focusPolicy() & Qt::TabFocus) == 0 || widget->focusProxy() != nullptr) continue;
    stops.append(widget);
  }
  return stops;
}

// Presses Tab (or Shift+Tab) once per control and then once more, from `start`: the
// controls focused on the way, in order.
inline QList<QWidget*> tabWalk(QWidget& start, bool backwards = false) {
  start.window()->activateWindow();
  if (!QTest::qWaitForWindowActive(start.window())) return {};
  start.setFocus(Qt::TabFocusReason);
  QList<QWidget*> walk;
  const int presses = tabStops(*start.window()).size() + 1;
  for (int i = 0; i < presses; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
    walk.append(QApplication::focusWidget());
  }
  return walk;
}

// The object names of the controls `walk` never reached.
inline QStringList unreached(QWidget& window, const QList<QWidget*>& walk) {
  const QSet<QWidget*> reached(walk.begin(), walk.end());
  QStringList missed;
  for (QWidget* stop : tabStops(window)) {
    if (!reached.contains(stop)) missed << stop->metaObject()->className() + QString(" ") + stop->objectName();
  }
  return missed;
}

// The controls, enabled or not, a screen reader could not name: a button by its text, anything else by
// its accessible name (a list's own name would be its current choice).
inline QStringList unnamed(QWidget& window) {
  QStringList missing;
  for (QWidget* stop : tabStops(window, true)) {
    const auto* button = qobject_cast<QAbstractButton*>(stop);
    const QString name = button != nullptr && !button->text().isEmpty() ? button->text() : stop->accessibleName();
    if (name.trimmed().isEmpty()) missing << stop->metaObject()->className() + QString(" ") + stop->objectName();
  }
  return missing;
}

}  // namespace tarvelo::testing
