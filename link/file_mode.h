#pragma once

#include <sys/types.h>

#include <filesystem>

namespace tarvelo::link {

// The permission bits for a file written beside `file` and renamed over it: those of
// the file it replaces, or for a new file what the user's new files get (0666 less the
// umask), never the owner-only mode of a temporary file.
mode_t replacementFileMode(const std::filesystem::path& file);

}  // namespace tarvelo::link
