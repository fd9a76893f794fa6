#pragma once

#include <QFrame>
#include <functional>

#include "link/serial_devices.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace tarvelo::window {

// The serial devices of this computer and the one the chosen COM port stands for; a
// device chosen in the list becomes that port's. A device the user may not open is
// marked with the fix.
class PortPickerPanel : public QFrame {
 public:
  // `port` gives the COM port chosen in the main window; `select` chooses another there.
  PortPickerPanel(std::function<int()> port, std::function<void(int)> select, link::SerialDeviceFolders folders = {},
                  QWidget* parent = nullptr);

  // Lists the devices anew and shows the port's device.
  void refresh();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void linkChosen();

  std::function<int()> port_;
  std::function<void(int)> select_;
  link::SerialDeviceFolders folders_;
  std::vector<link::SerialDevice> devices_;
  QLabel* current_;
  QListWidget* list_;
  QPushButton* linkButton_;
};

}  // namespace tarvelo::window
