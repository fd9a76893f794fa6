#pragma once

#include <QObject>

class QLineEdit;
class QScrollBar;

namespace tarvelo::window {

// An up-down spinner bound to a number field: its up arrow adds one to the field's
// number, its down arrow takes one away, within [minimum, maximum]; a wrapping spinner
// goes round from one end to the other. The arrows are those of a small scroll bar,
// whose own position never moves.
class UpDown : public QObject {
  Q_OBJECT

 public:
  UpDown(QScrollBar* arrows, QLineEdit* field, int minimum, int maximum, bool wraps);

  void setMaximum(int maximum) { maximum_ = maximum; }
  int maximum() const { return maximum_; }

 signals:
  // An arrow was clicked, before the field changes.
  void clicked();

 private:
  void step(int action);

  QScrollBar* arrows_;
  QLineEdit* field_;
  int minimum_;
  int maximum_;
  bool wraps_;
};

}  // namespace tarvelo::window
