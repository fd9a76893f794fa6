#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <optional>
#include <system_error>

namespace tarvelo::link {

// A new empty file beside `file`, named `file` + "." + six letters or digits that no other
// file has, so two saves of one file at once never write into one partial file. It gets
// the mode `file` is to have (see replacementFileMode on POSIX systems). Nothing,
// with `error` telling why, when it cannot be made. One file a system:
// partial_file_posix.cpp, partial_file_win32.cpp.
std::optional<std::filesystem::path> createPartialFile(const std::filesystem::path& file,
                                                       std::error_code& error);

// Makes `file` with `write`, which fills the partial file it is given and returns the
// reason when it cannot. The folder is made when missing, and the partial file takes the
// place of `file` only once written, so a failure leaves an earlier file of that name as
// it was. The reason of a failure, empty when written.
std::string writeInPlace(const std::filesystem::path& file,
                         const std::function<std::string(const std::filesystem::path& partial)>& write);

}  // namespace tarvelo::link
