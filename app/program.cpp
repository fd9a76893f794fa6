#include "program.h"

#include <utility>

#include "window/main/ask_form.h"
#include "settings/settings_store.h"
#include "window/main/main_form.h"

namespace tarvelo::app {

Program::Program(const std::string& executableFileName, window::StartOptions options)
    : mainForm_(std::make_unique<window::TMainForm>(settings::makeSettingsStore(), executableFileName, std::move(options))),
      askForm_(std::make_unique<window::TAskForm>(mainForm_->hiddenStart())) {
  mainForm_->setAskForm(askForm_.get());
  askForm_->FormCreate();
}

// The main window goes first: it writes the settings while the splash still exists.
Program::~Program() { mainForm_.reset(); }

}  // namespace tarvelo::app
