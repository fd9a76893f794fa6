#include "profile_tags.h"

#include <utility>

#include "tag_line_encoder.h"

namespace tarvelo::balance_sim {

namespace {

// A step whose load starts above this holds an animal; below it the pan is empty.
constexpr double kLoadedStepMinGrams = 1.0;

}  // namespace

ProfileTags::ProfileTags(std::vector<std::string> tags, const TagReaderDevice& reader)
    : tags_(std::move(tags)), reader_(reader) {}

void ProfileTags::stepBegins(const ProfileStep& step) {
  if (step.lowGrams <= kLoadedStepMinGrams) return;
  reader_.send(encodeTagLine(tags_[next_]));
  next_ = (next_ + 1) % tags_.size();
}

}  // namespace tarvelo::balance_sim
