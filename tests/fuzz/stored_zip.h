#pragma once

// Zip archives for the fuzz targets, written here on their own (never by the reader's
// code), so that mutated contents come with a checksum that holds.

#include <string>
#include <utility>
#include <vector>

namespace tarvelo::fuzz {

// The archive of `files` (name, contents), each stored as it is.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& files);

}  // namespace tarvelo::fuzz
