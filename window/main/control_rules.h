#pragma once

#include <QElapsedTimer>
#include <QObject>

namespace Ui {
class TMainForm;
}

namespace tarvelo::window {

// Which of the main window's controls may be used, and when: the rules between the
// weighing options, the hidden-mode options and the period, and the window's state
// before, during and after a run. Each rule follows its control's change signal.
class ControlRules : public QObject {
 public:
  ControlRules(Ui::TMainForm& ui, QObject* parent);

  // No run goes on: "Взвесить" is there to be pressed.
  bool idle() const;
  // The settings just read from the store.
  void showRestored();
  // A run starts: only what it leaves alone stays enabled.
  void enterRun(bool manualReadings);
  void EnterIdleState();
  // A press of "Прервать" this soon after the start is the second click of a double
  // click on "Взвесить", which it replaced under the pointer.
  bool stopIsDoubleClick() const;
  void EnableLogFileControls(bool on);

  void DStabCBClick();
  void MWeightCBClick();
  void MinWCBClick();
  void RGr1Click();
  void FastWriteClick();
  void ChBox1Click();
  void ChBox2Click();
  void ComboBox1Change();

 private:
  void ShowRunButtons(bool running);
  void EnableSettingsControls(bool on);
  void EnableRecordControls(bool on);

  Ui::TMainForm* ui;
  QElapsedTimer runStartedAt_;
};

}  // namespace tarvelo::window
