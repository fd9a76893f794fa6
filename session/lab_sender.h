#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>

#include "journal/journal.h"
#include "labserver/lab_connection.h"

class QTimer;

namespace tarvelo::session {

// How often the station looks for records the server lacks, and tries a server that did
// not answer.
inline constexpr int kLabSendIntervalMs = 2000;

// Lives on the lab link's thread: sends the station's journal to the lab's server there,
// so the window never waits for the network.
class LabSender : public QObject {
  Q_OBJECT

 public:
  explicit LabSender(std::filesystem::path journal);
  ~LabSender() override;

  // Sends to `server` as `station` from now on; an empty server sends nothing.
  void configure(const QString& server, const QString& station);
  // Looks for records to send now.
  void sendNow();
  // Connects to `server` and looks at its lab journal, as the settings' check does.
  void check(const QString& server);
  void start();
  // Asked from any thread: a send under way ends after its batch.
  void stop() { stopping_ = true; }

 signals:
  // What the status line says of the server; empty when there is nothing to say.
  void stateChanged(const QString& text, bool trouble);
  void checked(const QString& text, bool ok);
  // The lab's list of animals changed this station's.
  void listChanged();

 private:
  void say(const QString& text, bool trouble);
  void failed(const labserver::LabFailure& failure);
  const journal::Journal* localJournal();
  // Makes this station's list of animals the lab's when the lab's changed.
  void followLabList();

  std::filesystem::path path_;
  QString server_;
  std::string station_;
  QTimer* timer_ = nullptr;
  std::unique_ptr<labserver::LabConnection> connection_;
  std::unique_ptr<journal::Journal> journal_;
  std::optional<std::int64_t> sentUpTo_;  // the last record the server was known to hold
  std::optional<QDateTime> silentSince_;  // since when the server does not answer
  std::int64_t listVersion_ = -1;         // the lab's list this station's was made to follow
  QString said_;
  std::atomic<bool> stopping_ = false;
};

}  // namespace tarvelo::session
