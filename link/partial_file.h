#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "failure.h"

namespace tarvelo::link {

// A partial file is named after the file it is to replace: that name, the separator and
// six of the letters and digits (those mkostemp chooses from).
inline constexpr char kPartialSeparator = '.';
inline constexpr size_t kPartialUniqueCharacters = 6;
inline constexpr std::string_view kPartialNameCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Who may read a finished file: whoever might read the file it replaces (for a new file,
// the user's new files' mode), or its owner alone, whatever the file before allowed.
enum class FileReaders { AsBefore, OwnerOnly };

// Makes `file` with `write`, which fills the partial file it is given and gives the
// failure when it cannot. The folder is made when missing, and the partial file takes the
// place of `file` only once written and flushed to the disk: a failure leaves an earlier
// file of that name as it was, a crash or a power cut that file or the whole new one.
std::optional<Failure> writeInPlace(
    const std::filesystem::path& file,
    const std::function<std::optional<Failure>(const std::filesystem::path& partial)>& write,
    FileReaders readers = FileReaders::AsBefore);

// Whether `name` names a partial file of `fileName`, such as a writer that was killed
// while writing leaves behind.
bool isPartialFileName(std::string_view name, std::string_view fileName);

// The two steps that differ between systems, one file a system: partial_file_posix.cpp,
// partial_file_win32.cpp.
//
// A new empty file beside `file` whose name no other file has, so two saves of one file at
// once never write into one partial file; it gets its mode when finished. Nothing, with
// `error` telling why, when it cannot be made.
std::optional<std::filesystem::path> createPartialFile(const std::filesystem::path& file,
                                                       std::error_code& error);

// Gives the written `partial` the mode `file` is to have for `readers` (see
// replacementFileMode on POSIX systems) and flushes it to the disk; false, with `error`
// telling why, when it cannot.
bool finishPartialFile(const std::filesystem::path& partial, const std::filesystem::path& file,
                       FileReaders readers, std::error_code& error);

// Puts the finished `partial` in the place of `file`; false, with `error` telling why.
bool replaceByPartialFile(const std::filesystem::path& partial, const std::filesystem::path& file,
                          std::error_code& error);

}  // namespace tarvelo::link
