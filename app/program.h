#pragma once

#include <memory>
#include <string>

namespace tarvelo::app {

class TAskForm;
class TMainForm;
struct StartOptions;

// The program's two windows, created in start-up order: the main window (which
// restores the settings of this executable and, with the hidden mode stored, starts
// weighing at once), then the splash picture, shown unless the start is hidden.
class Program {
 public:
  Program(const std::string& executableFileName, StartOptions options);
  ~Program();

  TMainForm& mainForm() { return *mainForm_; }

 private:
  std::unique_ptr<TMainForm> mainForm_;
  std::unique_ptr<TAskForm> askForm_;
};

}  // namespace tarvelo::app
