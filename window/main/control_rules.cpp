#include "window/main/control_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui_main_form.h"
#include "window/main/period_texts.h"
#include "window/widgets/radio_group.h"

namespace tarvelo::window {

namespace {

constexpr int kFirstUntimedPeriodItem = 8;
constexpr qint64 kStopAfterStartMs = 500;

}  // namespace

ControlRules::ControlRules(Ui::TMainForm& form, QObject* parent) : QObject(parent), ui(&form) {
  connect(ui->DStabCB, &QCheckBox::toggled, this, &ControlRules::DStabCBClick);
  connect(ui->MWeightCB, &QCheckBox::toggled, this, &ControlRules::MWeightCBClick);
  connect(ui->MinWCB, &QCheckBox::toggled, this, &ControlRules::MinWCBClick);
  connect(ui->MinimW, &QLineEdit::textChanged, this, &ControlRules::MinWCBClick);
  connect(ui->FastWrite, &QCheckBox::toggled, this, &ControlRules::FastWriteClick);
  connect(ui->ChBox1, &QCheckBox::toggled, this, &ControlRules::ChBox1Click);
  connect(ui->ChBox2, &QCheckBox::toggled, this, &ControlRules::ChBox2Click);
  connect(ui->ComboBox1, &QComboBox::currentTextChanged, this, &ControlRules::ComboBox1Change);
  for (auto* item : radioItems(ui->RGr1)) connect(item, &QRadioButton::toggled, this, &ControlRules::RGr1Click);
}

bool ControlRules::idle() const { return !ui->WeightButton->isHidden(); }

void ControlRules::showRestored() {
  ui->FileNameEdit->setEnabled(ui->FastWrite->isChecked());
  ui->MDLabel->setEnabled(ui->ComboBox1->currentText() == kOnChangePeriod);
  ui->MaxDif->setEnabled(ui->MDLabel->isEnabled());
  ui->Label10->setEnabled(ui->MDLabel->isEnabled());
}

void ControlRules::enterRun(bool manualReadings) {
  ui->ReadButton->setVisible(manualReadings);
  ShowRunButtons(true);
  EnableSettingsControls(false);
  runStartedAt_.start();
}

bool ControlRules::stopIsDoubleClick() const {
  return runStartedAt_.isValid() && runStartedAt_.elapsed() < kStopAfterStartMs;
}

void ControlRules::DStabCBClick() {
  const bool on = ui->DStabCB->isChecked();
  ui->MaxDW->setEnabled(on && idle());
  ui->DWTime->setEnabled(on && idle());
  for (QWidget* label : {ui->MaxDWLabel, ui->Label6, ui->MTimeLabel}) label->setEnabled(on);
}

void ControlRules::MWeightCBClick() {
  if (ui->MWeightCB->isChecked()) ui->MinWCB->setChecked(false);
}

void ControlRules::MinWCBClick() {
  const bool on = ui->MinWCB->isChecked();
  ui->MinimW->setEnabled(on && idle());
  ui->Label9->setEnabled(on);
}

void ControlRules::RGr1Click() { ui->RGr2->setEnabled(radioIndex(ui->RGr1) == 1); }

void ControlRules::FastWriteClick() {
  const bool hidden = ui->FastWrite->isChecked();
  EnableLogFileControls(hidden);
  EnableRecordControls(!hidden);
  if (hidden) {
    ui->ComboBox1->removeItem(kFirstUntimedPeriodItem);
    ui->ComboBox1->removeItem(kFirstUntimedPeriodItem);
  } else {
    ui->ComboBox1->addItems({kManualPeriod, kOnChangePeriod});
  }
}

void ControlRules::ChBox1Click() { ui->WorkTime->setEnabled(ui->ChBox1->isChecked()); }

void ControlRules::ChBox2Click() { ui->NumberWeightTime->setEnabled(ui->ChBox2->isChecked()); }

void ControlRules::ComboBox1Change() {
  const bool onChange = ui->ComboBox1->currentText() == kOnChangePeriod;
  for (QWidget* control : {static_cast<QWidget*>(ui->MaxDif), static_cast<QWidget*>(ui->MDLabel),
                           static_cast<QWidget*>(ui->Label10)}) {
    control->setEnabled(onChange);
  }
}

void ControlRules::EnableLogFileControls(bool on) {
  if (on) {
    ui->WorkTime->setEnabled(ui->ChBox1->isChecked());
    ui->ChBox2->setEnabled(true);
    ui->NumberWeightTime->setEnabled(ui->ChBox2->isChecked());
  } else {
    ui->WorkTime->setEnabled(false);
    ui->NumberWeightTime->setEnabled(false);
  }
  for (QWidget* control : {static_cast<QWidget*>(ui->FileNameEdit), static_cast<QWidget*>(ui->ChoseFButton),
                           static_cast<QWidget*>(ui->Label14), static_cast<QWidget*>(ui->ChBox1),
                           static_cast<QWidget*>(ui->ChBox2)}) {
    control->setEnabled(on);
  }
}

void ControlRules::EnableRecordControls(bool on) {
  for (QWidget* control :
       {static_cast<QWidget*>(ui->FCheck), static_cast<QWidget*>(ui->Label5), static_cast<QWidget*>(ui->Label7),
        static_cast<QWidget*>(ui->Label8), static_cast<QWidget*>(ui->SizeEdit), static_cast<QWidget*>(ui->RGr1),
        static_cast<QWidget*>(ui->StabCB), static_cast<QWidget*>(ui->DStabCB), static_cast<QWidget*>(ui->MinWCB),
        static_cast<QWidget*>(ui->MWeightCB), static_cast<QWidget*>(ui->MaxDW), static_cast<QWidget*>(ui->MaxDWLabel),
        static_cast<QWidget*>(ui->Label6), static_cast<QWidget*>(ui->DWTime), static_cast<QWidget*>(ui->MTimeLabel),
        static_cast<QWidget*>(ui->MinimW), static_cast<QWidget*>(ui->Label9)}) {
    control->setEnabled(on);
  }
  ui->RGr2->setEnabled(on && radioIndex(ui->RGr1) != 0);
}

void ControlRules::EnterIdleState() {
  ShowRunButtons(false);
  ui->ReadButton->hide();
  EnableSettingsControls(true);
  EnableLogFileControls(ui->FastWrite->isChecked());
  EnableRecordControls(!ui->FastWrite->isChecked());
  ui->MaxDW->setEnabled(ui->DStabCB->isChecked());
  ui->DWTime->setEnabled(ui->DStabCB->isChecked());
  ui->MinimW->setEnabled(ui->MinWCB->isChecked());
}

void ControlRules::ShowRunButtons(bool running) {
  ui->StopButton->setVisible(running);
  ui->WeightButton->setVisible(!running);
  ui->ApplyButton1->setEnabled(!running);
  ui->ClearButton->setEnabled(!running);
}

void ControlRules::EnableSettingsControls(bool on) {
  QWidget* const controls[] = {
      ui->Label5,    ui->Label15,   ui->Label16,    ui->Label19,       ui->Label17,  ui->Label1,
      ui->cbWTime,   ui->eUnit,     ui->ePerson,    ui->eLabelNum,     ui->btnPrint, ui->btnRemoveLastCycle,
      ui->ComCB,     ui->Label4,    ui->Label3,     ui->ComboBox1,     ui->FastWrite, ui->FileNameEdit,
      ui->Label14,   ui->ChBox1,    ui->ChBox2,     ui->WorkTime,      ui->NumberWeightTime,
      ui->Label7,    ui->Label8,    ui->SizeEdit,   ui->RGr1,          ui->RGr2,     ui->ChoseFButton,
      ui->MaxDW,     ui->DWTime,    ui->Label11,    ui->ShowGraph,     ui->SaveGraph, ui->PrintGraph,
      ui->LastNum,   ui->StartNum,  ui->UpDown1,    ui->UpDown2};
  for (QWidget* control : controls) control->setEnabled(on);
  ui->MinimW->setEnabled(on && ui->MinWCB->isChecked());
}

}  // namespace tarvelo::window
