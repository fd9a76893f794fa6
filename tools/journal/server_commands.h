#pragma once

#include <string>

#include "journal/journal.h"
#include "tools/journal/exit_codes.h"

namespace tarvelo::tools {

// "server init": makes the lab journal and its roles on the server; says what it did.
int initServer(const std::string& connection);

// "verify --server": every station's chain on the server, and with `local` that journal
// against the server's copy of `station`.
int verifyServer(const std::string& connection, const journal::Journal* local, const std::string& station);

}  // namespace tarvelo::tools
