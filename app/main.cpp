#include <QApplication>

#include "app/main_form.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  tarvelo::app::TMainForm mainForm;
  mainForm.show();
  return application.exec();
}
