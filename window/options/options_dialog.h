#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

#include "window/options/control_snapshot.h"

class QFrame;
class QLineEdit;

namespace tarvelo::window {

class WindowPlace;

// A section of the dialog: a panel of the main window, moved into the dialog whole.
struct OptionsSection {
  QString title;
  QFrame* panel;
};

enum class NumberKind { Decimal, Whole };

// The numbers that make sense in a field: from `least` (itself too unless
// `leastExcluded`) to `most`.
struct NumberRange {
  double least;
  double most;
  bool leastExcluded = false;
};

// A field that must hold a number while it is enabled (or always, when a run reads it
// enabled or not), within its range when it has one, and the name a message gives it.
struct NumberField {
  QLineEdit* field;
  QString name;
  NumberKind kind;
  bool readWhenDisabled = false;
  std::optional<NumberRange> range = std::nullopt;
};
// "Параметры": the settings the main window keeps out of sight, in titled sections, two
// to a row, scrolling where the screen is smaller than they are.
// The panels keep their controls, handlers and enabled rules. "OK" keeps the changes once
// every enabled number field holds a number; "Отмена" puts back what the dialog showed
// when it opened.
class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  OptionsDialog(const QList<OptionsSection>& sections, QList<NumberField> numbers, WindowPlace& place,
                QWidget* parent);

  // Opens the dialog as modal.
  int exec() override;
  void accept() override;
  void reject() override;

 private:
  // The first time: where the user left it, or as large as the sections want within the
  // free area of the screen and centred there.
  void fitToScreen();
  // The first enabled field that is not a number in its range, marked, with what is wrong
  // with it; none when all are.
  std::optional<std::pair<const NumberField*, QString>> firstBadNumber();

  QList<NumberField> numbers_;
  WindowPlace& place_;
  QList<QWidget*> panels_;
  QWidget* content_;
  ControlSnapshot shown_;
};

}  // namespace tarvelo::window
