#pragma once

#include <memory>
#include <string>
#include "window/main/ask_form.h"
#include "window/main/main_form.h"

namespace tarvelo::app {


// The program's two windows, created in start-up order: the main window (which
// restores the settings of this executable and, with the hidden mode stored, starts
// weighing at once), then the splash picture, shown unless the start is hidden.
class Program {
 public:
  Program(const std::string& executableFileName, window::StartOptions options);
  ~Program();

  window::TMainForm& mainForm() { return *mainForm_; }

 private:
  std::unique_ptr<window::TMainForm> mainForm_;
  std::unique_ptr<window::TAskForm> askForm_;
};

}  // namespace tarvelo::app
