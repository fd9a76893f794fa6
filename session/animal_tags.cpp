#include "session/animal_tags.h"

#include <algorithm>

namespace tarvelo::session {

void AnimalTags::tagRead(const std::string& number, std::int64_t atMs) {
  reads_.push_back({number, atMs});
  lastTag_ = number;
}

void AnimalTags::weighingBegan(std::int64_t atMs) {
  std::erase_if(reads_, [atMs](const Read& read) { return read.atMs < atMs - kTagLeadMs; });
}

std::optional<AnimalTags::Identity> AnimalTags::identity() const {
  std::vector<std::string> numbers;
  for (const Read& read : reads_) {
    // A tag read again and again is one animal.
    if (std::find(numbers.begin(), numbers.end(), read.number) == numbers.end()) numbers.push_back(read.number);
  }
  if (numbers.empty()) return std::nullopt;
  if (numbers.size() == 1) return Identity{numbers.front(), {}};
  std::string all;
  for (const std::string& number : numbers) all += (all.empty() ? "" : ", ") + number;
  return Identity{{}, "разные метки за одно взвешивание (" + all + "): номер не присвоен"};
}

}  // namespace tarvelo::session
