#pragma once

#include <filesystem>
#include <optional>
#include <system_error>

namespace tarvelo::reports {

// A new empty file beside `file`, named `file` + "." + six letters or digits that no other
// file has, so two saves of one file at once never write into one partial file. It gets
// the mode `file` is to have (see link::replacementFileMode on POSIX systems). Nothing,
// with `error` telling why, when it cannot be made.
std::optional<std::filesystem::path> createPartialFile(const std::filesystem::path& file,
                                                       std::error_code& error);

}  // namespace tarvelo::reports
