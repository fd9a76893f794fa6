#include "session/tag_reader_link.h"

#include "link/tag_reader.h"

namespace tarvelo::session {

namespace {

constexpr int kCountryDigits = 3;

QString stateText(int port, const link::TagReaderStatus& status) {
  switch (status.state) {
    case link::TagReaderState::Reading:
      return QString("Считыватель меток на COM%1 готов.").arg(port);
    case link::TagReaderState::CannotOpen:
      return QString("Считыватель меток на COM%1 не открыт (%2); поиск продолжается.")
          .arg(port)
          .arg(QString::fromStdString(status.failure));
    case link::TagReaderState::Lost:
      break;
  }
  return QString("Считыватель меток на COM%1 отключен; поиск продолжается, взвешивание идет.").arg(port);
}

}  // namespace

TagReaderLink::TagReaderLink(QObject* parent) : QObject(parent) {}

TagReaderLink::~TagReaderLink() = default;

void TagReaderLink::read(int port, std::uint32_t baud) {
  reader_.reset();
  port_ = port;
  baud_ = baud;
  if (port == 0) return;
  // Heard on the reader's thread and handed to this object's.
  link::TagReaderEvents events;
  events.tag = [this](const link::TagRead& read) {
    QMetaObject::invokeMethod(
        this,
        [this, number = QString::fromStdString(read.number),
         atMs = std::chrono::duration_cast<std::chrono::milliseconds>(read.time.time_since_epoch()).count()] {
          lastTag_ = number;
          emit tagRead(number, atMs);
        },
        Qt::QueuedConnection);
  };
  events.status = [this, port](const link::TagReaderStatus& status) {
    QMetaObject::invokeMethod(
        this,
        [this, text = stateText(port, status), trouble = status.state != link::TagReaderState::Reading] {
          emit stateChanged(text, trouble);
        },
        Qt::QueuedConnection);
  };
  reader_ = std::make_unique<link::TagReader>(port, baud, std::move(events));
  reader_->start();
}

QString tagText(const QString& number) {
  return number.size() > kCountryDigits ? number.left(kCountryDigits) + " " + number.mid(kCountryDigits) : number;
}

}  // namespace tarvelo::session
