#include "window/options/port_picker_panel.h"

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/port_failure_text.h"
#include "window/options/port_choice.h"

namespace tarvelo::window {

namespace {

constexpr int kVisibleDevices = 6;

QString pathText(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

QString deviceText(const link::SerialDevice& device) {
  QString text = QString::fromStdString(device.name);
  if (device.path.filename().string() != device.name) text += " — " + pathText(device.path);
  if (!device.accessible) text += " — нет доступа: " + session::kDialoutFix;
  return text;
}

}  // namespace

PortPickerPanel::PortPickerPanel(std::function<int()> port, std::function<void(int)> select,
                                 link::SerialDeviceFolders folders, QWidget* parent)
    : QFrame(parent),
      port_(std::move(port)),
      select_(std::move(select)),
      folders_(std::move(folders)),
      current_(new QLabel(this)),
      list_(new QListWidget(this)),
      linkButton_(new QPushButton(this)) {
  setObjectName("PortPickerPanel");
  list_->setObjectName("PortDevices");
  linkButton_->setObjectName("PortLinkButton");
  list_->setAccessibleName("Последовательные устройства");
  list_->setFixedHeight(list_->fontMetrics().height() * kVisibleDevices);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(current_);
  layout->addWidget(list_);
  layout->addWidget(linkButton_, 0, Qt::AlignRight);
  connect(list_, &QListWidget::currentRowChanged, this,
          [this](int row) { linkButton_->setEnabled(row >= 0); });
  connect(linkButton_, &QPushButton::clicked, this, &PortPickerPanel::linkChosen);
  refresh();
  adjustSize();
}

void PortPickerPanel::refresh() {
  const int port = port_();
  devices_ = link::listSerialDevices(folders_);
  current_->setText(portNowText(port, devices_));
  list_->clear();
  for (const link::SerialDevice& device : devices_) {
    auto* item = new QListWidgetItem(deviceText(device), list_);
    if (!device.accessible) item->setForeground(Qt::red);
  }
  if (devices_.empty()) list_->addItem("Последовательные устройства не найдены");
  linkButton_->setText(choiceButtonText(port));
  linkButton_->setEnabled(false);
}

void PortPickerPanel::showEvent(QShowEvent* event) {
  refresh();
  QFrame::showEvent(event);
}

void PortPickerPanel::linkChosen() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(devices_.size())) return;
  const auto chosen = choosePort(port_(), devices_[static_cast<std::size_t>(row)]);
  if (const auto* failure = std::get_if<QString>(&chosen)) {
    QMessageBox::critical(this, "Порт весов", *failure);
  } else {
    select_(std::get<int>(chosen));
  }
  refresh();
}

}  // namespace tarvelo::window
