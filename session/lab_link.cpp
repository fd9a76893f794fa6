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
  connect(sender_, &LabSender::listChanged, this, &LabLink::listChanged);
  thread_.start();
  QMetaObject::invokeMethod(sender_, &LabSender::start, Qt::QueuedConnection);
}

LabLink::~LabLink() {
  // A send under way ends after its batch, or within the connection's time limits.
  sender_->stop();
  thread_.quit();
  thread_.wait();
}

void LabLink::send(const QString& server, const QString& station) {
  server_ = server;
  QMetaObject::invokeMethod(sender_, [sender = sender_, server, station] { sender->configure(server, station); },
                            Qt::QueuedConnection);
}

void LabLink::poke() { QMetaObject::invokeMethod(sender_, &LabSender::sendNow, Qt::QueuedConnection); }

void LabLink::check(const QString& server) {
  QMetaObject::invokeMethod(sender_, [sender = sender_, server] { sender->check(server); }, Qt::QueuedConnection);
}

}  // namespace tarvelo::session
