#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tarvelo::session {

// How long before the pan is loaded a tag read still names the weighing: the time to
// scan a mouse and put it down.
inline constexpr std::int64_t kTagLeadMs = 5000;

// Which animal a weighing is of: the number typed or scanned when it began, and the tags
// the reader read around it. The number given to the row, or none and why.
struct Identity {
  std::string animal;
  std::string note;
};

// Which animal a weighing is of, by the tags the reader read around it: those read while
// it ran, and those read shortly before it began. Times are milliseconds of one steady
// clock, the reader's own when it read the tag.
class AnimalTags {
 public:
  void tagRead(const std::string& number, std::int64_t atMs);
  // The weighing began (the run started, or the pan was loaded).
  void weighingBegan(std::int64_t atMs);
  // What the tags of the weighing so far say; none when it had none.
  std::optional<Identity> identity() const;
  // The weighing gave its result at `atMs`: its tags are used up, and the tag that named
  // it names the next only when read again while the next is on the pan.
  void weighingEnded(std::int64_t atMs);
  // The weighing was dropped ("Прервать") at `atMs`: no tag read until then names the next.
  void weighingDropped(std::int64_t atMs);
  // A result was removed at `atMs`: so are its tags, and the animal may be weighed again.
  void resultRemoved(std::int64_t atMs);
  // The last tag read, for a person to see.
  const std::string& lastTag() const { return lastTag_; }

 private:
  struct Read {
    std::string number;
    std::int64_t atMs;
  };
  bool counts(const Read& read) const;

  std::vector<Read> reads_;
  std::string lastTag_;
  std::int64_t beganAtMs_ = std::numeric_limits<std::int64_t>::max();
  std::int64_t usedUpToMs_ = std::numeric_limits<std::int64_t>::min();  // reads until then are spent
  std::string previous_;  // the tag that named the weighing before
};

// The row's number from what was typed or scanned when the weighing began and what its
// tags say: they must agree, or the row has no number and says why.
Identity animalOf(const std::string& typed, const std::optional<Identity>& tagged);

}  // namespace tarvelo::session
