#include "window/options/window_settings.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

#include "settings/settings_store.h"
#include "ui_main_form.h"
#include "window/options/settings_table.h"

namespace tarvelo::window {

WindowSettings::WindowSettings(std::unique_ptr<settings::SettingsStore> store, const std::string& executableFileName,
                               SettingHolders holders, QWidget* window)
    : QObject(window),
      store_(std::move(store)),
      executableFileName_(executableFileName),
      holders_(holders) {
  // A line edit cuts its text at 32 767 characters unless told otherwise; stored texts
  // come back whole.
  for (auto* field : window->findChildren<QLineEdit*>()) field->setMaxLength(std::numeric_limits<int>::max());
  // The desktop session is ending: the program may not get to its normal shutdown.
  connect(qApp, &QGuiApplication::commitDataRequest, this, &WindowSettings::StoreSettings);
}

bool WindowSettings::RestoreSettings(bool handsFreeForThisStart) {
  open_ = store_->open(executableFileName_) || store_->create(executableFileName_);
  if (!open_) return false;
  holders_.handsFreeForThisStart = handsFreeForThisStart;
  restoreSettings(*store_, holders_);
  holders_.ui.ChoseFButton->setEnabled(holders_.ui.FastWrite->isChecked());
  holders_.ui.ComboBox1->setCurrentText("0");
  return true;
}

void WindowSettings::StoreSettings() {
  if (!open_) return;
  storeSettings(*store_, holders_);
}

void WindowSettings::close() {
  if (!open_) return;
  StoreSettings();
  store_->close();
  open_ = false;
}

}  // namespace tarvelo::window
