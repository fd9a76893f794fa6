#pragma once

#include <QLockFile>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvelo::session {

// The pending files beside one journal. Each running program keeps its own, locked while it
// runs, so two programs on one journal never write over each other's records; the files of
// programs that have ended (closed, killed, or the computer switched off) are taken over by
// the next to start, which locks them while it holds their records.
class PendingFiles {
 public:
  explicit PendingFiles(std::filesystem::path journal);
  ~PendingFiles();
  PendingFiles(const PendingFiles&) = delete;
  PendingFiles& operator=(const PendingFiles&) = delete;

  // This program's own file, locked now if its folder was not there when the program began.
  const std::filesystem::path& own();
  // Locks and returns the files that programs no longer running left behind.
  std::vector<std::filesystem::path> takeLeftBehind();
  // `file` was not taken after all (set aside, or kept for a later start): unlocked.
  void leave(const std::filesystem::path& file);
  // The files taken over are in the journal or in this program's own file now: gone.
  void removeTaken();
  // Nothing waits any more: this program's own file goes too.
  void removeOwn();

 private:
  std::filesystem::path journal_;
  std::filesystem::path own_;
  QLockFile ownLock_;
  struct Taken {
    std::filesystem::path file;
    std::unique_ptr<QLockFile> lock;
  };
  std::vector<Taken> taken_;
};

}  // namespace tarvelo::session
