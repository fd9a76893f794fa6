#pragma once

#include <QFrame>

#include "window/options/options_dialog.h"
#include "session/weighing_session.h"

class QCheckBox;
class QLineEdit;

namespace tarvelo::window {

// The hands-free weighing options for the "Параметры" dialog: whether a run weighs every
// load that arrives (the session's switch keeps that choice), and, kept with the
// settings here, the load that starts a weighing and how long the pan must stay empty
// before the next.
class HandsFreePanel : public QFrame {
 public:
  explicit HandsFreePanel(QWidget* parent = nullptr);

  bool on() const;
  void setOn(bool on);
  // The options as a run takes them. Throws ConversionError naming the text that is
  // not a number.
  session::HandsFree options() const;

  // The fields as the settings keep them.
  QLineEdit& threshold() const { return *threshold_; }
  QLineEdit& pause() const { return *pause_; }
  static constexpr char kDefaultThreshold[] = "2";
  static constexpr char kDefaultPause[] = "1";

  // The fields the dialog checks for numbers, under their labels.
  QList<NumberField> numberFields() const;

 private:
  QCheckBox* enabled_;
  QLineEdit* threshold_;
  QLineEdit* pause_;
};

}  // namespace tarvelo::window
