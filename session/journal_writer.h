#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "journal/journal.h"
#include "session/pending_file.h"
#include "session/pending_records.h"

class QTimer;

namespace tarvelo::session {

// Writes the results grid's rows into the weighing journal; lives on a thread of its own,
// where a commit that waits for the disk or for another writer holds nothing else up.
// Nothing is dropped: a record the journal will not take now waits, in order, and is
// written before the next one and every few seconds until it is. While it waits it is also
// in this program's pending file beside the journal, written anew at each change, so that
// neither the end of the program nor a crash loses it: the next start writes it first.
class JournalWriter : public QObject {
  Q_OBJECT

 public:
  explicit JournalWriter(std::filesystem::path path);
  ~JournalWriter() override;

  // Takes what an earlier run left in the pending file, ahead of everything else, then
  // checks the journal's chain and its kept head once.
  void resume();
  // Appends the result of grid row `row`; says when it weighs less than a share of its
  // object's reference.
  void add(journal::JournalRecord result, int row, journal::AlertShares shares);
  // Row `row` left the grid (the rows below move up): appends a removal naming its record,
  // and a rename for each row whose name is not the one in `renames` (a record a row,
  // from row 1) any more.
  void remove(journal::JournalRecord removal, int row, const std::vector<journal::JournalRecord>& renames);
  // The grid was emptied: its rows stay in the journal.
  void clear() { rows_.clear(); }
  // The program ends: writes what waits, for a few seconds at most, and keeps the rest in
  // the pending file. What neither took, for a person to read; empty when nothing.
  QString finish();

 signals:
  // `waiting` records wait for the journal, which said `reason`; 0 when all are written.
  void backlogChanged(int waiting, const QString& reason);
  void alert(const QString& message, bool limit, int row, const QString& mass);
  // The journal's chain does not hold or the journal is not what its kept head says.
  void chainBroken(const QString& message);
  // Records went into the journal.
  void written();

 private:
  void checkChain();
  // Opens the journal when it can, and learns its name (its first record's hash).
  void openJournal();
  // Queues the records of a pending file another run left, when they are for this journal.
  void takeOver(const std::filesystem::path& file);
  void setAside(const std::filesystem::path& file, const char* suffix, const QString& why);
  bool isThisJournal(const std::string& name, const journal::JournalRecord& firstCarried) const;
  // Writes the backlog into this program's pending file; why it cannot, for a person.
  std::optional<QString> keepBacklog();
  void enqueue(QueuedRecord queued);
  // Writes what waits, in order, until the journal refuses a record.
  void flush();
  // Appends one record; the reason when the journal would not take it.
  std::optional<std::string> write(QueuedRecord& queued);
  void scheduleRetry();
  std::optional<std::string> savePending();
  // Says an alert of a result just written, and makes its record when `journalled`.
  void sayAlert(const journal::JournalRecord& result, std::int64_t ticket, const journal::AlertShares& shares,
                bool journalled);

  std::filesystem::path path_;
  PendingFiles pending_;
  std::unique_ptr<journal::Journal> journal_;
  std::optional<std::string> journalName_;  // its first record's hash; empty while it has none
  std::deque<QueuedRecord> queue_;
  std::optional<QueuedRecord> alert_;  // of the result just written, to be written next
  struct Row {
    std::int64_t ticket;
    std::string name;  // what the journal calls it
  };
  std::vector<Row> rows_;                      // the grid's rows in the journal, from row 1
  std::map<std::int64_t, std::int64_t> ids_;   // ticket: id, of results written
  std::int64_t nextTicket_ = 1;
  std::int64_t batchTicket_ = 0;  // the grid's first result since it was emptied
  QTimer* retry_ = nullptr;
  QString reason_;  // why the journal refused the last record; empty while it takes them
  size_t reported_ = 0;  // the backlog last said
  struct Kept {
    size_t size = 0;
    std::int64_t front = 0;
  };
  Kept kept_;  // the backlog last written into the pending file
};

}  // namespace tarvelo::session
