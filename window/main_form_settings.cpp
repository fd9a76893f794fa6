// The main window's stored settings: start-up reads them into the controls in the
// order of the settings table, shutdown writes them back.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "window/hands_free_panel.h"
#include "window/main_form.h"
#include "window/settings_table.h"
#include "session/weighing_session.h"
#include "ui_main_form.h"

namespace tarvelo::app {

void TMainForm::RestoreSettings() {
  restoreSettings(*settings, *ui);
  handsFreePanel_->restore(*settings);
  session_->handsFree().restore(*settings, startOptions_.handsFree);
  handsFreePanel_->setOn(session_->handsFree().armed());
  ui->ChoseFButton->setEnabled(ui->FastWrite->isChecked());
  ui->ComboBox1->setCurrentText("0");
}

void TMainForm::StoreSettings() {
  storeSettings(*settings, *ui);
  handsFreePanel_->store(*settings);
  session_->handsFree().store(*settings);
}

// A line edit cuts its text at 32 767 characters unless told otherwise; stored texts
// come back whole.
void TMainForm::keepLongTexts() {
  for (auto* field : findChildren<QLineEdit*>()) field->setMaxLength(std::numeric_limits<int>::max());
}

}  // namespace tarvelo::app
