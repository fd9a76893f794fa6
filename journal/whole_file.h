#pragma once

#include <QByteArray>
#include <filesystem>
#include <optional>

#include "link/failure.h"

namespace tarvelo::journal {

// Writes `bytes` as the whole of `file` by the program's one safe write: beside it, to
// the disk, then renamed into place, so a failure or a crash leaves the earlier file.
std::optional<link::Failure> writeWholeFile(const std::filesystem::path& file, const QByteArray& bytes);

}  // namespace tarvelo::journal
