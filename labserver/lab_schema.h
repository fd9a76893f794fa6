#pragma once

#include <optional>

#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// The roles a lab's logins are made members of: stations may only add records and read
// them; readers may only read.
inline constexpr char kStationRole[] = "tarvelo_station";
inline constexpr char kReaderRole[] = "tarvelo_reader";

// Makes the lab journal in the connection's database, and its two roles, when missing;
// run again it changes nothing. The journal keeps every station's records, each only when
// it continues that station's chain; a record sent again is taken once, and no record is
// ever changed or deleted, not even by the journal's owner.
std::optional<LabFailure> initLabServer(LabConnection& connection);

}  // namespace tarvelo::labserver
