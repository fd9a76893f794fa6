#pragma once

#include <filesystem>
#include <functional>
#include <vector>
#include <string>

#include "spreadsheet_protocol.h"

namespace tarvelo::reports {

// The outcome of writing a protocol file: ok, or the text that says why it was not saved.
struct ProtocolWriteResult {
  std::string error;
  bool ok() const { return error.empty(); }
};

// Takes the cells of one more row; false when the workbook failed and wants no more.
using CellWriter = std::function<bool(const std::vector<ProtocolCell>& cells)>;
// Hands the rows after the sheet's own to the writer, one at a time, in row order; the
// reason when it could not give them all (the workbook is then not written), else empty.
using MoreCells = std::function<std::string(const CellWriter& write)>;

// Writes the sheet as the one sheet of an .xlsx workbook at `file`, creating its folder
// when missing, beside `file` first and then in its place. With `more`, the rows it gives
// follow, each written as it comes and not kept (the library's constant-memory mode),
// so a sheet of any length takes little memory. The reason when it cannot, empty when
// written.
std::string writeXlsxWorkbook(const SpreadsheetProtocol& sheet, const std::filesystem::path& file,
                              const MoreCells& more = {});

// Writes the protocol as the one sheet of an .xlsx workbook at `file`, creating its folder
// when missing. The workbook is written beside `file` first and then put in its place, so
// a failed save leaves an earlier file of that name as it was.
ProtocolWriteResult writeXlsxProtocol(const SpreadsheetProtocol& protocol,
                                      const std::filesystem::path& file);

}  // namespace tarvelo::reports
