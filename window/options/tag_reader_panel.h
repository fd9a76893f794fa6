#pragma once

#include <QFrame>
#include <cstdint>

class QComboBox;
class QLabel;

namespace tarvelo::session {
class TagReaderLink;
}

namespace tarvelo::window {

// "Считыватель меток": the port and speed of a reader of animals' tags, the same device
// picker as the balance's, and a test that reads the chosen port at once and shows the
// last tag read.
class TagReaderPanel : public QFrame {
 public:
  explicit TagReaderPanel(session::TagReaderLink& reader, QWidget* parent = nullptr);

  // The fields as the settings keep them: the port's number (0 for no reader), the speed.
  int port() const;
  void setPort(int port);
  std::uint32_t baud() const;
  void setBaud(std::uint32_t baud);
  static constexpr std::uint32_t kDefaultBaud = 9600;

  // The reader reads what the fields say, unless it does already.
  void apply();

 private:
  void showTag(const QString& number);

  session::TagReaderLink& reader_;
  QComboBox* port_;
  QComboBox* baud_;
  QLabel* state_;
};

}  // namespace tarvelo::window
