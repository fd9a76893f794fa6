#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <filesystem>

namespace tarvelo::session {

class LabSender;

// The station's journal on its way to the lab's server: every record the server lacks is
// sent, in order, on a thread of this link's own; while the server is away the records
// wait in the journal and go when it is back. What comes of it returns as signals.
class LabLink : public QObject {
  Q_OBJECT

 public:
  explicit LabLink(const std::filesystem::path& journal, QObject* parent = nullptr);
  ~LabLink() override;

  // Sends to `server` (a libpq connection string; empty for none) as the station the
  // server binds its login to.
  void send(const QString& server);
  const QString& server() const { return server_; }
  // A record was added: it goes now rather than at the next turn.
  void poke();
  // Connects to `server` on the link's thread; the answer comes as checked().
  void check(const QString& server);

 signals:
  void stateChanged(const QString& text, bool trouble);
  void checked(const QString& text, bool ok);
  void stationNamed(const QString& station);
  // The lab's list of animals changed this station's.
  void listChanged();

 private:
  QThread thread_;
  LabSender* sender_;  // lives on thread_, deleted when it ends
  QString server_;
};

}  // namespace tarvelo::session
