#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QLineEdit;

namespace tarvelo::session {
class LabLink;
}

namespace tarvelo::window {

// "Сервер лаборатории": the libpq connection string of the lab's server (or
// "service=NAME" from pg_service.conf; passwords stay in PostgreSQL's own password file),
// the station's name as the server knows it, and a check that says what stands in the way.
class LabServerPanel : public QFrame {
 public:
  explicit LabServerPanel(session::LabLink* link, QWidget* parent = nullptr);

  QString server() const;
  void setServer(const QString& server);
  // The station's name the server last gave.
  QString station() const;
  void setStation(const QString& station);

  // The link sends where the fields say; a server string with a password is refused (the
  // field says so) and the one given before kept.
  void apply();

 private:
  session::LabLink* link_;  // none without a journal
  QLineEdit* server_;
  QString applied_;  // the server the link was last given
  QLineEdit* station_;
  QLabel* state_;
};

}  // namespace tarvelo::window
