#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "journal/journal.h"
#include "session/journal_entry.h"
#include "weighing/measurement_store.h"

namespace tarvelo::app {

// Below this share of its reference weight a result is marked (welfare limits are
// commonly 75 to 85 per cent).
inline constexpr double kDefaultAlertShare = 85.0;

// What a journalled result row gives the window to say.
struct JournalNews {
  std::optional<QString> failure;  // the journal cannot be written: said once
  std::optional<QString> alert;    // the object weighs less than the alert share of its reference
};

// The results grid's rows in the weighing journal: each row made is appended, each row
// removed is named in a removal. A journal that cannot be written is said once, until
// it can be again, and opened anew at the next row; the weighing goes on either way.
class ResultJournal {
 public:
  // `alertShare` gives the share of the reference weight below which a result is said.
  ResultJournal(std::filesystem::path path, std::function<JournalContext()> context,
                std::function<double()> alertShare = [] { return kDefaultAlertShare; },
                std::function<QDateTime()> clock = &QDateTime::currentDateTime);

  // Row `row` of the store's results was just made.
  JournalNews resultAdded(const weighing::MeasurementStore& store, int row);
  // Row `row` of the results left the grid (the rows below move up).
  std::optional<QString> resultRemoved(int row);
  // The grid was emptied: its rows stay in the journal.
  void resultsCleared() { rowIds_.clear(); }

  const std::filesystem::path& path() const { return path_; }

 private:
  std::optional<QString> append(journal::JournalRecord& record);

  std::filesystem::path path_;
  std::function<JournalContext()> context_;
  std::function<double()> alertShare_;
  std::function<QDateTime()> clock_;
  std::unique_ptr<journal::Journal> journal_;
  std::vector<std::int64_t> rowIds_;  // the record of each grid row, from row 1; 0 when not written
  bool failing_ = false;
};

}  // namespace tarvelo::app
