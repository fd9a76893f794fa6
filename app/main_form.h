#pragma once

#include <QMainWindow>
#include <memory>

namespace Ui {
class TMainForm;
}

namespace tarvelo::app {

// The main window.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(QWidget* parent = nullptr);
  ~TMainForm() override;

 private:
  std::unique_ptr<Ui::TMainForm> ui;
};

}  // namespace tarvelo::app
