#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThread>
#include <filesystem>
#include <functional>
#include <optional>

#include "journal/animal_list.h"
#include "journal/journal_head.h"

#include "journal/alert_shares.h"
#include "session/journal_entry.h"
#include "weighing/measurement_store.h"

namespace tarvelo::session {

class JournalWriter;

// The results grid's rows in the weighing journal: each row made is appended, each row
// removed is named in a removal. The records are made here, from the grid as it stands,
// and written in order on the journal's own thread, so the window never waits for the
// disk. Nothing is dropped: what the journal will not take waits and is written when it
// will, and what still waits at the end is kept for the next start. The backlog and
// alerts come back as signals; the weighing goes on either way.
class ResultJournal : public QObject {
  Q_OBJECT

 public:
  // `shares` gives the shares of the reference weight below which a result is said.
  ResultJournal(std::filesystem::path path, std::function<JournalContext()> context,
                std::function<journal::AlertShares()> shares = [] { return journal::AlertShares{}; },
                std::function<QDateTime()> clock = &QDateTime::currentDateTime);
  ~ResultJournal() override;

  // Row `row` of the store's results was just made, of `listed` when its animal is on the
  // list of animals to weigh.
  void resultAdded(const weighing::MeasurementStore& store, int row, const journal::Animal* listed = nullptr);
  // Row `row` of the results left the grid: the rows below moved up, and those the grid
  // now calls by another name are renamed.
  void resultRemoved(const weighing::MeasurementStore& store, int row);
  // The grid was emptied: its rows stay in the journal.
  void resultsCleared();
  // Returns once everything asked before is written or queued, its backlog and alerts signalled.
  void waitForWrites();
  // The journal's head once everything asked before is written: for protocols to carry.
  std::optional<journal::Head> head();
  // Writes what waits, for a few seconds at most, keeps the rest for the next start and
  // ends the journal's thread. What neither took, for a person to read; empty when nothing.
  QString close();

 signals:
  // `waiting` records wait for the journal, which said `reason`; 0 when all are written.
  void backlogChanged(int waiting, const QString& reason);
  // The result of grid row `row`, of `mass` as the grid shows it, weighs less than a share
  // of its object's reference: the warning's, or the limit's.
  void alert(const QString& message, bool limit, int row, const QString& mass);
  // Checked at the start: the chain does not hold, or the journal was cut or rewritten.
  void chainBroken(const QString& message);
  // Records went into the journal: for those who read it as it grows.
  void recordsWritten();

 private:
  std::filesystem::path path_;
  std::function<JournalContext()> context_;
  std::function<journal::AlertShares()> shares_;
  std::function<QDateTime()> clock_;
  QThread thread_;
  JournalWriter* writer_;  // lives on thread_, deleted when it ends
  bool closed_ = false;
};

}  // namespace tarvelo::session
