#include "window/options/tag_reader_panel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include "link/balance_identity.h"
#include "session/tag_reader_link.h"
#include "window/options/port_picker_panel.h"

namespace tarvelo::window {

namespace {

constexpr std::uint32_t kBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
constexpr char kNoReader[] = "нет";

}  // namespace

TagReaderPanel::TagReaderPanel(session::TagReaderLink& reader, QWidget* parent)
    : QFrame(parent), reader_(reader), port_(new QComboBox(this)), baud_(new QComboBox(this)), state_(new QLabel(this)) {
  setObjectName("TagReaderPanel");
  port_->setObjectName("TagReaderPort");
  baud_->setObjectName("TagReaderBaud");
  state_->setObjectName("TagReaderState");
  port_->addItem(kNoReader);
  for (const std::string& item : link::comPortItems()) port_->addItem(QString::fromStdString(item));
  for (const std::uint32_t baud : kBauds) baud_->addItem(QString::number(baud));
  setBaud(kDefaultBaud);
  auto* test = new QPushButton("Проверить", this);
  test->setObjectName("TagReaderTest");
  test->setToolTip("Читать выбранный порт сейчас и показать последнюю считанную метку");
  auto* layout = new QFormLayout(this);
  layout->addRow("Порт:", port_);
  layout->addRow("Скорость, бод:", baud_);
  layout->addRow(test, state_);
  // A port of its own: a device is chosen for it as for the balance.
  auto* picker = new PortPickerPanel([this] { return std::max(port(), 1); }, [this](int chosen) { setPort(chosen); });
  picker->setParent(this);
  layout->addRow(picker);
  connect(test, &QPushButton::clicked, this, [this] {
    state_->setText(port() == 0 ? QString("Порт считывателя не выбран.") : QString("Поднесите метку к считывателю…"));
    reader_.read(port(), baud());
  });
  connect(&reader_, &session::TagReaderLink::tagRead, this, &TagReaderPanel::showTag);
  connect(&reader_, &session::TagReaderLink::stateChanged, this, [this](const QString& text, bool trouble) {
    if (trouble || reader_.lastTag().isEmpty()) state_->setText(text);
  });
  adjustSize();
}

int TagReaderPanel::port() const { return port_->currentIndex(); }

void TagReaderPanel::setPort(int port) { port_->setCurrentIndex(port >= 0 && port < port_->count() ? port : 0); }

std::uint32_t TagReaderPanel::baud() const { return baud_->currentText().toUInt(); }

void TagReaderPanel::setBaud(std::uint32_t baud) {
  const int index = baud_->findText(QString::number(baud));
  baud_->setCurrentIndex(index >= 0 ? index : baud_->findText(QString::number(kDefaultBaud)));
}

void TagReaderPanel::apply() {
  if (reader_.port() != port() || reader_.baud() != baud()) reader_.read(port(), baud());
}

void TagReaderPanel::showTag(const QString& number) {
  state_->setText(QString("Последняя метка: %1").arg(session::tagText(number)));
}

}  // namespace tarvelo::window
