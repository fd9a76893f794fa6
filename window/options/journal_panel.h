#pragma once

#include <QFrame>

#include "journal/alert_shares.h"
#include "window/options/options_dialog.h"

class QLineEdit;

namespace tarvelo::window {

// The weighing journal's options for the "Параметры" dialog: below which shares of its
// reference weight a result is marked and said, as a warning and as the limit.
class JournalPanel : public QFrame {
 public:
  explicit JournalPanel(QWidget* parent = nullptr);

  // In per cent; a default where a field holds no number.
  journal::AlertShares alertShares() const;

  // The fields as the settings keep them.
  QLineEdit& share() const { return *share_; }
  QLineEdit& limit() const { return *limit_; }
  static constexpr char kDefaultShare[] = "85";
  static constexpr char kDefaultLimit[] = "80";

  // The field the dialog checks for a number, under its label.
  QList<NumberField> numberFields() const;

 private:
  QLineEdit* share_;
  QLineEdit* limit_;
};

}  // namespace tarvelo::window
