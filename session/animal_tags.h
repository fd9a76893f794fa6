#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarvelo::session {

// How long before the pan is loaded a tag read still names the weighing: the time to
// scan a mouse and put it down.
inline constexpr std::int64_t kTagLeadMs = 5000;

// Which animal a weighing is of, by the tags the reader read around it: those read while
// it ran, and those read shortly before it began. Times are milliseconds of one steady clock.
class AnimalTags {
 public:
  // What the tags say of one weighing: its animal, or no number and why.
  struct Identity {
    std::string animal;
    std::string note;
  };

  void tagRead(const std::string& number, std::int64_t atMs);
  // The weighing began (the run started, or the pan was loaded): older tags are forgotten.
  void weighingBegan(std::int64_t atMs);
  // What the tags of the weighing so far say; none when it had none.
  std::optional<Identity> identity() const;
  // The weighing gave its result: its tags are used up, the next begins with none.
  void weighingEnded() { reads_.clear(); }
  // The last tag read, for a person to see.
  const std::string& lastTag() const { return lastTag_; }

 private:
  struct Read {
    std::string number;
    std::int64_t atMs;
  };
  std::vector<Read> reads_;
  std::string lastTag_;
};

}  // namespace tarvelo::session
