#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "journal/animal_list.h"
#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// The lab's list of animals: for each number, the entry the server received last from any
// station among the entries made there; an entry a station took from another's (its
// `subject` naming the original's place in the server's order) never competes with them.
struct LabListEntry {
  journal::Animal animal;  // only the number when `gone`
  bool gone = false;
  std::string station;     // the station that made the entry
  std::int64_t arrived = 0;  // the entry's place in the server's order
};

// Changes with every entry that reaches the list at any station, also one that commits
// after a later one: how many entries there are, and the newest one's place.
struct LabListVersion {
  std::int64_t entries = -1;
  std::int64_t newest = -1;
  bool operator==(const LabListVersion&) const = default;
};

std::optional<LabFailure> labListVersion(LabConnection& connection, LabListVersion& version);

// The newest entry of each number, by number.
std::optional<LabFailure> labList(LabConnection& connection, std::vector<LabListEntry>& entries);

}  // namespace tarvelo::labserver
