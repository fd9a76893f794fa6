#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>

#include "journal/journal.h"
#include "labserver/lab_animals.h"
#include "labserver/lab_connection.h"

class QTimer;

namespace tarvelo::session {

// How often the station looks for records the server lacks, and tries a server that did
// not answer.
inline constexpr int kLabSendIntervalMs = 2000;
// A server that answers nothing for this long is said not to answer, whatever the reason.
inline constexpr int kLabSilentSayMs = 30'000;

// Lives on the lab link's thread: sends the station's journal to the lab's server there,
// so the window never waits for the network. The station's name is the one the server
// binds its login to.
class LabSender : public QObject {
  Q_OBJECT

 public:
  explicit LabSender(std::filesystem::path journal);
  ~LabSender() override;

  // Sends to `server` from now on; an empty server sends nothing.
  void configure(const QString& server);
  // Looks for records to send now.
  void sendNow();
  // Connects to `server` and looks at its lab journal, as the settings' check does.
  void check(const QString& server);
  void start();
  // Asked from any thread: what is under way with the server is cancelled at once.
  void stop() { stopping_ = true; }

 signals:
  // What the status line says of the server, with whether the link is encrypted; empty
  // when no server is set.
  void stateChanged(const QString& text, bool trouble);
  void checked(const QString& text, bool ok);
  // The station's name as the server knows it.
  void stationNamed(const QString& station);
  // The lab's list of animals changed this station's.
  void listChanged();

 private:
  void say(const QString& text, bool trouble);
  void failed(const labserver::LabFailure& failure);
  // Connects when not connected, and learns the station's name; false when that failed.
  bool connected();
  const journal::Journal* localJournal();
  QString queue();
  // Makes this station's list of animals the lab's when the lab's changed.
  void followLabList();

  std::filesystem::path path_;
  QString server_;
  std::string station_;
  QTimer* timer_ = nullptr;
  std::unique_ptr<labserver::LabConnection> connection_;
  std::unique_ptr<journal::Journal> journal_;
  std::optional<std::int64_t> sentUpTo_;  // the last record the server was known to hold
  std::optional<QDateTime> silentSince_;  // since when the server does not answer or take records
  labserver::LabListVersion listVersion_;  // the lab's list this station's was made to follow
  QString said_;
  std::atomic<bool> stopping_ = false;
};

}  // namespace tarvelo::session
