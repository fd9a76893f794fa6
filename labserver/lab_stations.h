#pragma once

#include <optional>
#include <string>

#include "labserver/lab_connection.h"

namespace tarvelo::labserver {

// The station a login adds records for, set by the lab's administrator: from then on the
// server takes from `login` only records of `station`. Makes the login role when missing
// (member of the station role), and sets its password when one is given; the password is
// sent as a SCRAM verifier, never as itself. A station removed before may be bound again.
std::optional<LabFailure> addStation(LabConnection& connection, const std::string& station,
                                     const std::string& login,
                                     const std::optional<std::string>& password);

// The login of `station` adds no more records; what it sent stays.
std::optional<LabFailure> removeStation(LabConnection& connection, const std::string& station);

// `from` is called `to` from now on: its login, the records it sent and the lab's sums of
// them take the new name, so its journal goes on as one chain. Refused when `to` is a name
// the server already knows.
std::optional<LabFailure> renameStation(LabConnection& connection, const std::string& from, const std::string& to);

// The station the connection's login adds records for; empty when it is bound to none.
std::optional<LabFailure> boundStation(LabConnection& connection, std::string& station);

}  // namespace tarvelo::labserver
