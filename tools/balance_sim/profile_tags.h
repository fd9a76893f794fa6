#pragma once

#include <string>
#include <vector>

#include "tag_reader_device.h"
#include "weight_source.h"

namespace tarvelo::balance_sim {

// The tags of the animals of a load profile, read in turn and over again: the next one as
// each loaded step begins, as an animal passes the reader on its way onto the pan.
class ProfileTags {
 public:
  // `tags` holds at least one.
  ProfileTags(std::vector<std::string> tags, const TagReaderDevice& reader);

  void stepBegins(const ProfileStep& step);

 private:
  std::vector<std::string> tags_;
  const TagReaderDevice& reader_;
  std::size_t next_ = 0;
};

}  // namespace tarvelo::balance_sim
