#include "window/options/lab_server_panel.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "labserver/lab_connection.h"
#include "session/lab_link.h"

namespace tarvelo::window {

namespace {

constexpr int kFieldWidthPx = 320;

}  // namespace

LabServerPanel::LabServerPanel(session::LabLink* link, QWidget* parent)
    : QFrame(parent), link_(link), server_(new QLineEdit(this)), station_(new QLineEdit(this)), state_(new QLabel(this)) {
  setObjectName("LabServerPanel");
  server_->setObjectName("LabServer");
  station_->setObjectName("StationName");
  state_->setObjectName("LabServerState");
  state_->setWordWrap(true);
  server_->setMinimumWidth(kFieldWidthPx);
  server_->setPlaceholderText("service=tarvelo или host=… dbname=… user=…");
  server_->setToolTip("Строка подключения PostgreSQL; пароль хранится в файле паролей PostgreSQL, не здесь. "
                      "Пусто — журнал не отправляется.");
  // The server names the station by its login: no station can write in another's name.
  station_->setReadOnly(true);
  station_->setPlaceholderText("имя дает сервер лаборатории");
  station_->setToolTip("Имя станции на сервере лаборатории: администратор связывает с ним вход станции командой "
                       "tarvelo-journal server add-station.");
  auto* test = new QPushButton("Проверить соединение", this);
  test->setObjectName("LabServerTest");
  auto* layout = new QFormLayout(this);
  layout->addRow("Сервер:", server_);
  layout->addRow("Станция:", station_);
  layout->addRow(test, state_);
  connect(server_, &QLineEdit::textChanged, this, [this](const QString& text) {
    const auto refusal = labserver::passwordRefusal(text.trimmed().toStdString());
    state_->setText(refusal ? QString::fromStdString(*refusal) : QString());
  });
  connect(test, &QPushButton::clicked, this, [this] {
    if (const auto refusal = labserver::passwordRefusal(server().toStdString())) {
      state_->setText(QString::fromStdString(*refusal));
    } else if (server().isEmpty()) {
      state_->setText("Сервер не задан.");
    } else if (link_ == nullptr) {
      state_->setText("Журнал взвешиваний не ведется: отправлять нечего.");
    } else {
      state_->setText("Соединение…");
      link_->check(server());
    }
  });
  if (link_ != nullptr) {
    connect(link_, &session::LabLink::checked, this, [this](const QString& text, bool) { state_->setText(text); });
    connect(link_, &session::LabLink::stationNamed, station_, &QLineEdit::setText);
  }
  adjustSize();
}

QString LabServerPanel::server() const { return server_->text().trimmed(); }

void LabServerPanel::setServer(const QString& server) {
  server_->setText(server);
  applied_ = server;
}

QString LabServerPanel::station() const { return station_->text(); }

void LabServerPanel::setStation(const QString& station) { station_->setText(station); }

void LabServerPanel::apply() {
  // A password is never kept in the settings: the server stays the one given before.
  if (labserver::passwordRefusal(server().toStdString())) server_->setText(applied_);
  applied_ = server();
  if (link_ != nullptr) link_->send(server());
}

}  // namespace tarvelo::window
