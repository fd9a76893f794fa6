#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <utility>
#include <vector>

class QAbstractButton;
class QLineEdit;
class QListWidget;
class QWidget;

namespace tarvelo::window {

// The values of the edit fields, check boxes, radio buttons and checkable lists
// under some widgets, taken at one moment and put back on request. Putting a value
// back goes through the control's own setter, so its change handlers run.
class ControlSnapshot {
 public:
  void take(const QList<QWidget*>& roots);
  void restore() const;

 private:
  std::vector<std::pair<QPointer<QLineEdit>, QString>> texts_;
  std::vector<std::pair<QPointer<QAbstractButton>, bool>> checks_;
  std::vector<std::pair<QPointer<QListWidget>, std::vector<Qt::CheckState>>> lists_;
};

}  // namespace tarvelo::window
