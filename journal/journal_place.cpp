#include "journal/journal_place.h"

#include <QStandardPaths>

#include <algorithm>
#include <system_error>

#include "journal/journal_head.h"

namespace tarvelo::journal {

namespace {

constexpr char kJournalPlace[] = "/Tarvelo/journal.sqlite";
constexpr char kPendingSuffix[] = ".pending";
// SQLite's write-ahead log and its index beside the journal.
constexpr const char* kCompanions[] = {"-wal", "-shm", kPendingSuffix};

std::filesystem::path withSuffix(const std::filesystem::path& file, const char* suffix) {
  return file.native() + std::filesystem::path(suffix).native();
}

// Renamed, or copied and removed where the two places are on different disks.
void move(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error) {
  std::filesystem::rename(from, to, error);
  if (!error) return;
  error.clear();
  if (std::filesystem::copy_file(from, to, error)) std::filesystem::remove(from, error);
}

}  // namespace

std::filesystem::path defaultJournalPath() {
  return std::filesystem::path(
      (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + kJournalPlace).toStdU16String());
}

std::filesystem::path pendingFileOf(const std::filesystem::path& journal) {
  return withSuffix(journal, kPendingSuffix);
}

std::vector<std::filesystem::path> pendingFilesOf(const std::filesystem::path& journal) {
  const std::filesystem::path shared = pendingFileOf(journal);
  const std::filesystem::path::string_type own = shared.filename().native() + std::filesystem::path("-").native();
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(journal.parent_path(), error)) {
    const std::filesystem::path::string_type name = entry.path().filename().native();
    // Not a lock, nor one set aside: those have a dot after the tag.
    const bool tagged = name.starts_with(own) && !std::filesystem::path(name.substr(own.size())).has_extension();
    if ((name == shared.filename().native() || tagged) && entry.is_regular_file(error)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::optional<link::Failure> adoptJournal(const std::filesystem::path& old, const std::filesystem::path& journal) {
  std::error_code error;
  if (!std::filesystem::exists(old, error) ||
      std::filesystem::exists(journal, error)) {
    return std::nullopt;
  }
  std::filesystem::create_directories(journal.parent_path(), error);
  // The log first: a journal without its log would lose the records not yet merged into it.
  for (const char* companion : kCompanions) {
    const std::filesystem::path from = withSuffix(old, companion);
    if (std::filesystem::exists(from, error)) move(from, withSuffix(journal, companion), error);
    if (error) return link::failureOf(error);
  }
  move(old, journal, error);
  if (error) return link::failureOf(error);
  if (const auto head = storedHead(old)) storeHead(journal, *head);
  return std::nullopt;
}

}  // namespace tarvelo::journal
