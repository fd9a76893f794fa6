#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TAskForm;
}

namespace tarvelo::window {

// The second window, in two roles. Splash: a borderless picture of the balance,
// shown at start-up unless the start is hidden. Confirmation: the question whether
// to clear the window, answered with "Да" or "Нет"; the main window polls the flags.
//
// The answer flags are members of each instance rather than process-wide: the main
// window reads the instance it created last, so closing an older, hidden instance
// can never pass for an answer.
class TAskForm : public QWidget {
  Q_OBJECT

 public:
  // Builds the window from its layout, hidden; a new instance starts with askClosed and
  // askAnswer false. The owner calls FormCreate next, as the creation handler runs
  // once the window is built.
  explicit TAskForm(bool hiddenStart, QWidget* parent = nullptr);
  ~TAskForm() override;

  // Turns the window into the confirmation: question panel instead of the picture,
  // a normal sizeable frame, centred and shown (not modal).
  void ShowConfirmation();

  // Shows the window, centred on the screen, exactly when the start is not hidden.
  void FormCreate();
  // "Да": answer yes, then close.
  void YesBtnClick();
  // "Нет": answer no, then close.
  void NoBtnClick();
  // Any way of closing: mark the window closed. Closing only hides it.
  void FormClose();

  bool askAnswer = false;  // true when the answer was "Да"
  bool askClosed = false;  // true once the window has closed

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void centreOnScreen();

  std::unique_ptr<Ui::TAskForm> ui;
  bool hiddenStart_;
};

}  // namespace tarvelo::window
