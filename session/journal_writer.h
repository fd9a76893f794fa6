#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "journal/journal.h"

namespace tarvelo::app {

// Writes the results grid's rows into the weighing journal; lives on a thread of its own,
// where a commit that waits for the disk or for another writer holds nothing else up.
// A journal that cannot be written is said once, until it can be again, and opened anew
// at the next record.
class JournalWriter : public QObject {
  Q_OBJECT

 public:
  explicit JournalWriter(std::filesystem::path path) : path_(std::move(path)) {}
  ~JournalWriter() override;

  // Appends the result of grid row `row`; says when it weighs less than `alertShare` per
  // cent of its object's reference.
  void add(journal::JournalRecord result, int row, double alertShare);
  // Row `row` left the grid (the rows below move up): appends a removal naming its record.
  void remove(journal::JournalRecord removal, int row);
  // The grid was emptied: its rows stay in the journal.
  void clear() { rowIds_.clear(); }

 signals:
  void failed(const QString& message);
  void alert(const QString& message);

 private:
  // Whether the record was appended.
  bool append(journal::JournalRecord& record);
  void sayAlert(const journal::JournalRecord& result, double alertShare);

  std::filesystem::path path_;
  std::unique_ptr<journal::Journal> journal_;
  std::vector<std::int64_t> rowIds_;  // the record of each grid row, from row 1; 0 when not written
  bool failing_ = false;
};

}  // namespace tarvelo::app
