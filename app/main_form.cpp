#include "main_form.h"

#include "ui_main_form.h"

namespace tarvelo::app {

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TMainForm>()) {
  ui->setupUi(this);
}

TMainForm::~TMainForm() = default;

}  // namespace tarvelo::app
