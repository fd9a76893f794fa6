#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace tarvelo::link {
class TagReader;
}

namespace tarvelo::session {

// The tag reader on its serial port, read on a thread of its own; what it reads and how
// it fares come to the thread that made this object as signals. A reader that cannot be
// opened or is unplugged is searched again and never holds up the balance.
class TagReaderLink : public QObject {
  Q_OBJECT

 public:
  explicit TagReaderLink(QObject* parent = nullptr);
  ~TagReaderLink() override;

  // Reads the reader on COM `port` at `baud`, stopping what was read before; port 0 stops.
  void read(int port, std::uint32_t baud);
  int port() const { return port_; }
  std::uint32_t baud() const { return baud_; }
  // The last tag read, its digits; empty before the first.
  const QString& lastTag() const { return lastTag_; }

 signals:
  // `atMs`: when the reader read it, in milliseconds of the steady clock.
  void tagRead(const QString& number, qint64 atMs);
  // What the status line says of the reader, and whether something is wrong with it.
  void stateChanged(const QString& text, bool trouble);

 private:
  std::unique_ptr<link::TagReader> reader_;
  int port_ = 0;
  std::uint32_t baud_ = 0;
  QString lastTag_;
};

// "985 000001234567": a tag's 15 digits as readers print them.
QString tagText(const QString& number);

}  // namespace tarvelo::session
