#pragma once

#include <string>

#include <filesystem>
#include <optional>

#include "journal/export_columns.h"
#include "journal/journal.h"
#include "tools/journal/exit_codes.h"

namespace tarvelo::tools {

// "server init": makes the lab journal and its roles on the server; says what it did.
int initServer(const std::string& connection);

// "server add-station": binds `login` (made when missing, its password the first line of
// `passwordFile` when given) to `station`.
int addStationOnServer(const std::string& connection, const std::string& station, const std::string& login,
                       const std::optional<std::filesystem::path>& passwordFile);

// "server remove-station": the station's login adds no more records.
int removeStationOnServer(const std::string& connection, const std::string& station);

// "server rename-station": the station, its records and the lab's sums take the new name.
int renameStationOnServer(const std::string& connection, const std::string& from, const std::string& to);

// "export --server": the lab's results the filter takes, as the local export writes
// them, with a last column naming the station; to standard output when `out` is empty.
int exportServer(const std::string& connection, const journal::RecordFilter& filter, std::optional<std::string> station,
                 journal::ExportStyle style, const std::filesystem::path& out);

// "verify --server": every station's chain on the server, and with `local` that journal's
// own chain and the journal against the server's copy of `station` (by default the station
// the login is bound to).
int verifyServer(const std::string& connection, const journal::Journal* local,
                 const std::optional<std::string>& station);

}  // namespace tarvelo::tools
