#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "window/options/settings_table.h"
#include "settings/settings_store.h"

class QWidget;

namespace tarvelo::window {

// The main window's settings in the store kept for the executable file name: read into
// the controls at start-up, written back on "OK" in the options, when the desktop
// session ends and at shutdown.
class WindowSettings : public QObject {
 public:
  WindowSettings(std::unique_ptr<settings::SettingsStore> store, const std::string& executableFileName, SettingHolders holders,
                 QWidget* window);

  // Opens the store, or creates it, and reads it into the controls, hands-free weighing
  // armed for this start when `handsFreeForThisStart`. False when there is no store.
  bool RestoreSettings(bool handsFreeForThisStart);
  // Writes the controls into an open store.
  void StoreSettings();
  // Shutdown: the settings written and the store closed.
  void close();

 private:
  std::unique_ptr<settings::SettingsStore> store_;
  std::string executableFileName_;
  bool open_ = false;
  SettingHolders holders_;
};

}  // namespace tarvelo::window
