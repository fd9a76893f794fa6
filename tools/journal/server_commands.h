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

// "export --server": the lab's results the filter takes, as the local export writes
// them, with a last column naming the station; to standard output when `out` is empty.
int exportServer(const std::string& connection, const journal::RecordFilter& filter, std::optional<std::string> station,
                 journal::ExportStyle style, const std::filesystem::path& out);

// "verify --server": every station's chain on the server, and with `local` that journal
// against the server's copy of `station`.
int verifyServer(const std::string& connection, const journal::Journal* local, const std::string& station);

}  // namespace tarvelo::tools
