#pragma once

#include <filesystem>
#include <string>

#include "spreadsheet_protocol.h"

namespace tarvelo::reports {

// The outcome of writing a protocol file: ok, or the text that says why it was not saved.
struct ProtocolWriteResult {
  std::string error;
  bool ok() const { return error.empty(); }
};

// Writes the sheet as the one sheet of an .xlsx workbook at `file`, creating its folder
// when missing, beside `file` first and then in its place. The reason when it cannot,
// empty when written.
std::string writeXlsxWorkbook(const SpreadsheetProtocol& sheet, const std::filesystem::path& file);

// Writes the protocol as the one sheet of an .xlsx workbook at `file`, creating its folder
// when missing. The workbook is written beside `file` first and then put in its place, so
// a failed save leaves an earlier file of that name as it was.
ProtocolWriteResult writeXlsxProtocol(const SpreadsheetProtocol& protocol,
                                      const std::filesystem::path& file);

}  // namespace tarvelo::reports
