#include "port_picker_panel.h"

#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/port_failure_text.h"
#include "link/com_port_path.h"

namespace tarvelo::app {

namespace {

constexpr int kVisibleDevices = 6;

QString pathText(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

QString deviceText(const link::SerialDevice& device) {
  QString text = QString::fromStdString(device.name);
  if (device.path.filename().string() != device.name) text += " — " + pathText(device.path);
  if (!device.accessible) text += " — нет доступа: " + kDialoutFix;
  return text;
}

}  // namespace

PortPickerPanel::PortPickerPanel(std::function<int()> port, link::SerialDeviceFolders folders,
                                 QWidget* parent)
    : QFrame(parent),
      port_(std::move(port)),
      folders_(std::move(folders)),
      current_(new QLabel(this)),
      list_(new QListWidget(this)),
      linkButton_(new QPushButton(this)) {
  setObjectName("PortPickerPanel");
  list_->setObjectName("PortDevices");
  linkButton_->setObjectName("PortLinkButton");
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
  const std::filesystem::path link = link::comPortLinkPath(port);
  std::error_code error;
  const std::filesystem::path target = std::filesystem::read_symlink(link, error);
  current_->setText(error ? QString("COM%1: %2 (своей связи нет)")
                                .arg(port)
                                .arg(pathText(link::comPortDevice(port)))
                          : QString("COM%1 связан с %2").arg(port).arg(pathText(target)));
  devices_ = link::listSerialDevices(folders_);
  list_->clear();
  for (const link::SerialDevice& device : devices_) {
    auto* item = new QListWidgetItem(deviceText(device), list_);
    if (!device.accessible) item->setForeground(Qt::red);
  }
  if (devices_.empty()) list_->addItem("Последовательные устройства не найдены");
  linkButton_->setText(QString("Связать с COM%1").arg(port));
  linkButton_->setEnabled(false);
}

void PortPickerPanel::showEvent(QShowEvent* event) {
  refresh();
  QFrame::showEvent(event);
}

void PortPickerPanel::linkChosen() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(devices_.size())) return;
  const std::filesystem::path device = devices_[static_cast<std::size_t>(row)].path;
  if (const std::error_code error = link::linkComPort(port_(), device)) {
    QMessageBox::critical(
        this, "Порт весов",
        QString("Не удалось связать COM%1 с %2: %3")
            .arg(port_())
            .arg(pathText(device), QString::fromLocal8Bit(error.message().c_str())));
  }
  refresh();
}

}  // namespace tarvelo::app
