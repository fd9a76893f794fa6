#pragma once

#include <QFrame>

#include "window/options/options_dialog.h"

class QLineEdit;

namespace tarvelo::window {

// The weighing journal's option for the "Параметры" dialog: below which share of its
// reference weight a result is marked and said.
class JournalPanel : public QFrame {
 public:
  explicit JournalPanel(QWidget* parent = nullptr);

  // In per cent; the default when the field holds no number.
  double alertShare() const;

  // The field as the settings keep it.
  QLineEdit& share() const { return *share_; }
  static constexpr char kDefaultShare[] = "85";

  // The field the dialog checks for a number, under its label.
  QList<NumberField> numberFields() const;

 private:
  QLineEdit* share_;
};

}  // namespace tarvelo::window
