#pragma once

#include <optional>

#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// The roles of a lab's server: the owner of the lab journal, whom nobody logs in as;
// stations' logins, which may only add their own station's records and read; readers'
// logins, which may only read.
inline constexpr char kOwnerRole[] = "tarvelo_owner";
inline constexpr char kStationRole[] = "tarvelo_station";
inline constexpr char kReaderRole[] = "tarvelo_reader";

// Makes the lab journal in the schema tarvelo of the connection's database, and its roles,
// when missing; run again it changes nothing but to move a journal made before in the
// schema public there, keeping every record. The journal keeps a record only when the
// login sending it is its station's, its hash proves its fields and it continues that
// station's chain; a record sent again is taken once, and no record is ever changed or
// deleted, not even by the journal's owner. Needs a superuser.
std::optional<LabFailure> initLabServer(LabConnection& connection);

}  // namespace tarvelo::labserver
