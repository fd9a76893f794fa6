#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "link/failure.h"

namespace tarvelo::journal {

// This user's weighing journal, whatever the program's file is called:
// <data>/Tarvelo/journal.sqlite, <data> being ~/.local/share on Linux and the local (never
// the roaming) application data folder on Windows, where SQLite's log is safe.
std::filesystem::path defaultJournalPath();

// The file beside the journal that carries records over to the next start; each running
// program keeps its own, this name with "-" and a tag of its own after it.
std::filesystem::path pendingFileOf(const std::filesystem::path& journal);
// The pending files beside the journal, of every program that used it.
std::vector<std::filesystem::path> pendingFilesOf(const std::filesystem::path& journal);

// Moves the journal at `old`, an earlier place of it, to `journal` when none is there yet:
// with its log, its pending records and its head. The failure when it cannot.
std::optional<link::Failure> adoptJournal(const std::filesystem::path& old, const std::filesystem::path& journal);

}  // namespace tarvelo::journal
