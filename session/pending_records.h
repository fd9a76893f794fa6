#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "journal/journal_record.h"
#include "journal/alert_shares.h"

namespace tarvelo::session {

// A record waiting for the journal, in the order it was made. A removal names its result
// by the result's ticket until that result has an id in the journal.
struct QueuedRecord {
  journal::JournalRecord record;
  std::int64_t ticket = 0;
  std::int64_t subjectTicket = 0;
  std::optional<journal::AlertShares> shares;  // results: said below these shares of the reference
  bool carried = false;              // from a pending file: may be in the journal already
};

// Writes the records whole to `file`: beside it first, flushed to the disk, then renamed,
// so a crash leaves the old file or the new one. `journal` names the journal they are for
// (its first record's hash; empty while it has none), when known. The reason when it cannot.
std::optional<std::string> writePendingRecords(const std::filesystem::path& file,
                                               const std::vector<QueuedRecord>& records,
                                               const std::optional<std::string>& journal = std::nullopt);

// The records in `file`, marked carried; none when there is no such file. The reason
// in `error` when the file is there but cannot be read whole; the journal it names in
// `journal`, when given and the file names one (a file of older versions names none).
std::vector<QueuedRecord> readPendingRecords(const std::filesystem::path& file, std::string& error,
                                             std::optional<std::string>* journal = nullptr);

}  // namespace tarvelo::session
