// The main window's stored settings: what start-up reads into the controls, in this
// order (a later line may override what an earlier control's handler did), and what
// shutdown writes back.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "app/main_form.h"
#include "app/radio_group.h"
#include "ui_main_form.h"
#include "weighing/conversion_error.h"
#include "weighing/number_text.h"

namespace tarvelo::app {

namespace {

constexpr uint8_t kOn = 1;
constexpr uint8_t kOff = 0;

// The widget's own enabled state, whatever its parents' (the window may be disabled
// by a confirmation when it closes).
bool ownEnabled(const QWidget* widget) { return !widget->testAttribute(Qt::WA_Disabled); }

uint8_t flagOf(bool on) { return on ? kOn : kOff; }

}  // namespace

void TMainForm::RestoreSettings() {
  const auto flag = [this](const char* name, uint8_t defaultValue) {
    return settings->ReadFlag(name, defaultValue) != 0;
  };
  const auto text = [this](const char* name, const char* defaultValue) {
    return QString::fromStdString(settings->ReadText(name, defaultValue));
  };
  const auto number = [this](const char* name, int32_t defaultValue) { return settings->ReadNumber(name, defaultValue); };
  const auto tick = [this](int item, bool on) { ui->FCheck->item(item)->setCheckState(on ? Qt::Checked : Qt::Unchecked); };

  ui->FastWrite->setChecked(flag("HideProfile", kOff));
  ui->StabCB->setChecked(flag("StabCB", kOn));
  ui->DStabCB->setChecked(flag("DStabCB", kOff));
  ui->MWeightCB->setChecked(flag("MWeightCB", kOn));
  ui->MinWCB->setChecked(flag("MinWCB", kOff));
  ui->MDLabel->setEnabled(flag("MDLabel", kOff));
  ui->DWTime->setEnabled(flag("DWTime", kOff));
  ui->MaxDW->setEnabled(flag("MaxDW", kOff));
  ui->MaxDif->setEnabled(flag("MaxDif", kOff));
  ui->WorkTime->setEnabled(flag("WorkTime", kOff));

  tick(weighing::ItemRecordNumber, flag("FCLB(0)", kOn));
  tick(weighing::ItemTime, true);
  tick(weighing::ItemWeight, flag("FCLB(2)", kOn));
  tick(weighing::ItemUnit, flag("FCLB(3)", kOn));
  tick(weighing::ItemStability, false);
  tick(weighing::ItemStatistics, false);

  ui->ChBox2->setChecked(flag("bNumOfWeighings", kOff));
  ui->ChBox1->setChecked(flag("bTimeOfWeighing", kOff));

  ui->SizeEdit->setText(QString::number(number("SizeOfMassive", 100)));
  setRadioIndex(ui->RGr1, number("FileType", 0));
  setRadioIndex(ui->RGr2, number("DiffType", 0));
  const int port = number("COM", 0);
  ui->ComCB->setCurrentIndex(port >= 0 && port < ui->ComCB->count() ? port : -1);
  ui->ChoseFButton->setEnabled(ui->FastWrite->isChecked());
  ui->cbWTime->setCurrentText(QString::number(number("WPeriod", 6)));
  ui->ePerson->setText(text("ePerson", ""));
  ui->eUnit->setText(text("eUnit", ""));
  ui->ComboBox1->setCurrentText("0");

  ui->MaxDW->setText(text("strMaxDW", "0,001"));
  ui->DWTime->setText(text("strDWTime", "1"));
  ui->MinimW->setText(text("MinimWeight", "0,001"));
  ui->FileNameEdit->setText(text("SpeedWorkFileName", "RS232.txt"));
  ui->NumberWeightTime->setText(text("NumberWeightTime", "100"));
  ui->WorkTime->setText(text("strWorkTime", "10"));
  ui->MaxDif->setText(text("MaxDifWeight", "0,001"));
}

void TMainForm::StoreSettings() {
  const auto writeText = [this](const char* name, const QString& value) { settings->WriteText(name, value.toStdString()); };
  const auto ticked = [this](int item) { return ui->FCheck->item(item)->checkState() == Qt::Checked; };
  // A number kept as a field's text; a text that is not a whole number is not stored.
  const auto writeNumberText = [this](const char* name, const QString& value) {
    try {
      settings->WriteNumber(name, weighing::parseInteger(value.toStdString()));
    } catch (const weighing::ConversionError&) {
    }
  };

  settings->WriteFlag("HideProfile", flagOf(ui->FastWrite->isChecked()));
  settings->WriteFlag("StabCB", flagOf(ui->StabCB->isChecked()));
  settings->WriteFlag("DStabCB", flagOf(ui->DStabCB->isChecked()));
  settings->WriteFlag("MWeightCB", flagOf(ui->MWeightCB->isChecked()));
  settings->WriteFlag("MinWCB", flagOf(ui->MinWCB->isChecked()));
  settings->WriteFlag("MDLabel", flagOf(ownEnabled(ui->MDLabel)));
  settings->WriteFlag("FCLB(0)", flagOf(ticked(weighing::ItemRecordNumber)));
  settings->WriteFlag("FCLB(1)", kOn);
  settings->WriteFlag("FCLB(2)", flagOf(ticked(weighing::ItemWeight)));
  settings->WriteFlag("FCLB(3)", flagOf(ticked(weighing::ItemUnit)));
  settings->WriteFlag("FCLB(4)", kOff);
  settings->WriteFlag("FCLB(5)", kOff);
  settings->WriteFlag("DWTime", flagOf(ownEnabled(ui->DWTime)));
  settings->WriteFlag("MaxDW", flagOf(ownEnabled(ui->MaxDW)));
  settings->WriteFlag("MaxDif", flagOf(ownEnabled(ui->MaxDif)));
  settings->WriteFlag("WorkTime", flagOf(ownEnabled(ui->WorkTime)));
  settings->WriteFlag("bNumOfWeighings", flagOf(ui->ChBox2->isChecked()));
  settings->WriteFlag("bTimeOfWeighing", flagOf(ui->ChBox1->isChecked()));

  writeText("GetInfPeriod", ui->ComboBox1->currentText());
  writeText("MaxDifWeight", ui->MaxDif->text());
  writeText("strMaxDW", ui->MaxDW->text());
  writeText("strDWTime", ui->DWTime->text());
  writeText("MinimWeight", ui->MinimW->text());
  writeText("SpeedWorkFileName", ui->FileNameEdit->text());
  writeText("NumberWeightTime", ui->NumberWeightTime->text());
  writeText("strWorkTime", ui->WorkTime->text());
  writeText("ePerson", ui->ePerson->text());
  writeText("eUnit", ui->eUnit->text());

  writeNumberText("SizeOfMassive", ui->SizeEdit->text());
  settings->WriteNumber("FileType", radioIndex(ui->RGr1));
  settings->WriteNumber("DiffType", radioIndex(ui->RGr2));
  settings->WriteNumber("COM", ui->ComCB->currentIndex());
  writeNumberText("WPeriod", ui->cbWTime->currentText());
}

}  // namespace tarvelo::app
