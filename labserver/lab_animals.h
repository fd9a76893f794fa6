#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "journal/animal_list.h"
#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// The lab's list of animals: for each number, the entry the server received last from any
// station, the animal as it stands or its leaving the list.
struct LabListEntry {
  journal::Animal animal;  // only the number when `gone`
  bool gone = false;
  std::string station;     // the station that made the entry
};

// The newest entry's place in the server's order: it grows with every change to the list
// at any station; 0 while there is none.
std::optional<LabFailure> labListVersion(LabConnection& connection, std::int64_t& version);

// The newest entry of each number, by number.
std::optional<LabFailure> labList(LabConnection& connection, std::vector<LabListEntry>& entries);

}  // namespace tarvelo::labserver
