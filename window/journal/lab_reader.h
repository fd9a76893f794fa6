#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <vector>

#include "journal/journal.h"

namespace tarvelo::window {

// The lab's server as the journal window reads it: each read runs on a thread of the
// reader's own, one after another over one connection, so the window never waits for the
// network; what it read comes back as a signal on the window's thread.
class LabReader : public QObject {
  Q_OBJECT

 public:
  explicit LabReader(QObject* parent = nullptr);
  // Cancels the read under way: closing never waits for the server.
  ~LabReader() override;

  // Every object of the lab, from `server` (a libpq connection string).
  void readObjects(const QString& server);
  // The object's results from every station.
  void readResults(const QString& server, const journal::ObjectSummary& object);

 signals:
  // `failure` is empty when the read went through; `seconds` is how long it took.
  void objectsRead(const std::vector<journal::ObjectSummary>& objects, const QString& failure, double seconds);
  void resultsRead(const journal::ObjectSummary& object, const std::vector<journal::JournalRecord>& results,
                   const QString& failure);

 private:
  QThread thread_;
  QObject* worker_;  // lives on thread_: the reads are queued to it
  struct Connection;
  Connection* connection_;  // used on thread_ only
  std::atomic<bool> closing_ = false;
};

}  // namespace tarvelo::window
