#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace tarvelo::window {

// Which characters a guarded field lets through as they are typed.
enum class KeyFilter {
  None,         // any character
  Decimal,      // OnKeyPressMy: digits, ",", "." and backspace
  Digits,       // OnKeyPressMy_: digits and backspace
  SelectOnly,   // ComCBKeyPress: no character at all; the list still works with mouse and arrows
};

bool keyAllowed(KeyFilter filter, QChar character);

// The guards of the number fields: a key filter that refuses other characters with
// the system beep, and one remember-and-restore buffer shared by every field, which
// puts back the text a field had on entry when it is left empty. Keys that produce
// no character (arrows, Delete, Home, End, Tab) are never filtered.
class InputGuards : public QObject {
  Q_OBJECT

 public:
  explicit InputGuards(QObject* parent = nullptr);

  // Guards a line edit or combo box (an editable one through its line edit).
  void guard(QWidget* field, KeyFilter filter, bool restoreWhenEmpty);

  // The beep of a refused key; tests count it.
  void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }
  const QString& savedFieldText() const { return savedFieldText_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnEnterMy(QWidget* field);
  void OnExitMy(QWidget* field);

  QString savedFieldText_;
  std::function<void()> beep_;
};

}  // namespace tarvelo::window
