#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "link/failure.h"
#include "spreadsheet_protocol.h"

namespace tarvelo::reports {

// Takes the cells of one more row; false when the workbook failed and wants no more.
using CellWriter = std::function<bool(const std::vector<ProtocolCell>& cells)>;
// Hands the rows after the sheet's own to the writer, one at a time, in row order; the
// failure when it could not give them all (the workbook is then not written).
using MoreCells = std::function<std::optional<link::Failure>(const CellWriter& write)>;

// Writes the protocol as the one sheet of an .xlsx workbook at `file`, creating its folder
// when missing. The workbook is written beside `file` first and then put in its place, so
// a failed save leaves an earlier file of that name as it was. With `more`, the rows it
// gives follow, each written as it comes and not kept (the library's constant-memory
// mode), so a sheet of any length takes little memory. The failure when it cannot.
std::optional<link::Failure> writeXlsxProtocol(const SpreadsheetProtocol& protocol, const std::filesystem::path& file,
                                               const MoreCells& more = {});

}  // namespace tarvelo::reports
