#include "session/lab_link.h"

#include "session/lab_sender.h"

namespace tarvelo::session {

LabLink::LabLink(const std::filesystem::path& journal, QObject* parent)
    : QObject(parent), sender_(new LabSender(journal)) {
  thread_.setObjectName("lab server");
  sender_->moveToThread(&thread_);
  connect(&thread_, &QThread::finished, sender_, &QObject::deleteLater);
  connect(sender_, &LabSender::stateChanged, this, &LabLink::stateChanged);
  connect(sender_, &LabSender::checked, this, &LabLink::checked);
  connect(sender_, &LabSender::stationNamed, this, &LabLink::stationNamed);
  connect(sender_, &LabSender::listChanged, this, &LabLink::listChanged);
  thread_.start();
  QMetaObject::invokeMethod(sender_, &LabSender::start, Qt::QueuedConnection);
}

LabLink::~LabLink() {
  // What is under way with the server is cancelled within a tenth of a second.
  sender_->stop();
  thread_.quit();
  thread_.wait();
}

void LabLink::send(const QString& server) {
  server_ = server;
  QMetaObject::invokeMethod(sender_, [sender = sender_, server] { sender->configure(server); }, Qt::QueuedConnection);
}

void LabLink::poke() { QMetaObject::invokeMethod(sender_, &LabSender::sendNow, Qt::QueuedConnection); }

void LabLink::check(const QString& server) {
  QMetaObject::invokeMethod(sender_, [sender = sender_, server] { sender->check(server); }, Qt::QueuedConnection);
}

}  // namespace tarvelo::session
