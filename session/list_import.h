#pragma once

#include <QDateTime>
#include <filesystem>
#include <optional>
#include <string>

#include "journal/journal.h"
#include "journal/list_import_plan.h"
#include "session/journal_entry.h"

namespace tarvelo::session {

// A list file read and set against the list a journal holds: what importing it would do.
struct ListImport {
  journal::ImportedList imported;
  journal::ImportPlan plan;
  std::optional<std::string> error;  // why the file or the journal could not be read
};

// Reads `file` and plans it against the list of the journal at `journal` (none yet is an
// empty list).
ListImport prepareListImport(const std::filesystem::path& file, const std::filesystem::path& journal, bool clearEmpty);

// Records what `imported` changes in the list of the journal at `journal` as it stands
// now, in one transaction: the whole list or nothing. A list with a refused line is not
// written. `progress` hears how many records are in, of how many, and may call it off.
// Why nothing was written; none when it was.
using ListProgress = std::function<bool(size_t done, size_t total)>;
std::optional<std::string> writeListImport(const journal::ImportedList& imported, const std::filesystem::path& journal,
                                           bool clearEmpty, const JournalContext& context, const QDateTime& now,
                                           const ListProgress& progress = {});

}  // namespace tarvelo::session
