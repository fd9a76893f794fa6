#include "session/animal_tags.h"

#include <algorithm>

namespace tarvelo::session {

void AnimalTags::tagRead(const std::string& number, std::int64_t atMs) {
  reads_.push_back({number, atMs});
  lastTag_ = number;
}

void AnimalTags::weighingBegan(std::int64_t atMs) {
  beganAtMs_ = atMs;
  std::erase_if(reads_, [this](const Read& read) { return !counts(read); });
}

bool AnimalTags::counts(const Read& read) const {
  if (read.atMs <= usedUpToMs_ || read.atMs < beganAtMs_ - kTagLeadMs) return false;
  // The mouse just weighed, read again as it leaves, is not the next one.
  return read.atMs >= beganAtMs_ || read.number != previous_;
}

std::optional<Identity> AnimalTags::identity() const {
  std::vector<std::string> numbers;
  for (const Read& read : reads_) {
    // A tag read again and again is one animal.
    if (counts(read) && std::find(numbers.begin(), numbers.end(), read.number) == numbers.end())
      numbers.push_back(read.number);
  }
  if (numbers.empty()) return std::nullopt;
  if (numbers.size() == 1) return Identity{numbers.front(), {}};
  std::string all;
  for (const std::string& number : numbers) all += (all.empty() ? "" : ", ") + number;
  return Identity{{}, "разные метки за одно взвешивание (" + all + "): номер не присвоен"};
}

void AnimalTags::weighingEnded(std::int64_t atMs) {
  const std::optional<Identity> used = identity();
  previous_ = used ? used->animal : std::string();
  weighingDropped(atMs);
}

void AnimalTags::resultRemoved(std::int64_t atMs) {
  previous_.clear();
  weighingDropped(atMs);
}

void AnimalTags::weighingDropped(std::int64_t atMs) {
  usedUpToMs_ = std::max(usedUpToMs_, atMs);
  std::erase_if(reads_, [atMs](const Read& read) { return read.atMs <= atMs; });
}

Identity animalOf(const std::string& typed, const std::optional<Identity>& tagged) {
  if (!tagged) return {typed, {}};
  if (tagged->animal.empty() || typed.empty() || typed == tagged->animal) return *tagged;
  return {{}, "метка и номер не совпадают: метка " + tagged->animal + ", номер " + typed};
}

}  // namespace tarvelo::session
