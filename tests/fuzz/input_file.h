#pragma once

// The fuzz input as a file, for the parsers that read one.

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tarvelo::fuzz {

// A folder of this process's own in the temporary folder, made at the first call and
// removed when the process ends.
const std::filesystem::path& scratchFolder();

// Writes `data` as the whole of `name` in the scratch folder; its path.
std::filesystem::path writeInput(const std::filesystem::path& name, const std::uint8_t* data,
                                 std::size_t size);

}  // namespace tarvelo::fuzz
