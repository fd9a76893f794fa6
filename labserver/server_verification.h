#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// One station's chain on the server: how many records, and the first that does not
// follow from the one before it (its number out of turn, or its hash not its fields').
struct StationCheck {
  std::string station;
  std::int64_t records = 0;
  std::optional<std::int64_t> firstBroken;
};

// Walks every station's records on the server, a batch at a time.
std::optional<LabFailure> verifyStations(LabConnection& connection, std::vector<StationCheck>& checks);

}  // namespace tarvelo::labserver
