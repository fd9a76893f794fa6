#include "session/pending_file.h"

#include <QUuid>

#include "journal/journal_place.h"
#include "journal/path_text.h"

namespace tarvelo::session {

namespace {

constexpr char kLockSuffix[] = ".lock";
constexpr int kOwnTagLength = 12;

QString lockPathOf(const std::filesystem::path& file) { return journal::pathText(file) + kLockSuffix; }

std::filesystem::path ownFileOf(const std::filesystem::path& journal) {
  const QString tag = QUuid::createUuid().toString(QUuid::Id128).left(kOwnTagLength);
  return journal::pendingFileOf(journal).native() + std::filesystem::path("-" + tag.toStdString()).native();
}

}  // namespace

PendingFiles::PendingFiles(std::filesystem::path journal)
    : journal_(std::move(journal)), own_(ownFileOf(journal_)), ownLock_(lockPathOf(own_)) {
  // A new name nobody else uses; when even its lock cannot be made, the file is still this
  // program's own, only not guarded against a program that starts meanwhile.
  ownLock_.tryLock(0);
}

PendingFiles::~PendingFiles() = default;

const std::filesystem::path& PendingFiles::own() {
  if (!ownLock_.isLocked()) ownLock_.tryLock(0);
  return own_;
}

std::vector<std::filesystem::path> PendingFiles::takeLeftBehind() {
  std::vector<std::filesystem::path> files;
  for (const std::filesystem::path& file : journal::pendingFilesOf(journal_)) {
    if (file == own_) continue;
    auto lock = std::make_unique<QLockFile>(lockPathOf(file));
    // A lock held by a program that still runs; one whose program has ended is stale and taken.
    if (!lock->tryLock(0)) continue;
    files.push_back(file);
    taken_.push_back({file, std::move(lock)});
  }
  return files;
}

void PendingFiles::leave(const std::filesystem::path& file) {
  std::erase_if(taken_, [&file](const Taken& taken) { return taken.file == file; });
}

void PendingFiles::removeTaken() {
  std::error_code ignored;  // a file left behind is taken over, and known, at the next start
  for (const Taken& taken : taken_) std::filesystem::remove(taken.file, ignored);
  taken_.clear();
}

void PendingFiles::removeOwn() {
  removeTaken();
  std::error_code ignored;
  std::filesystem::remove(own_, ignored);
}

}  // namespace tarvelo::session
