#pragma once

#include <QByteArray>
#include <string>
#include <variant>
#include <vector>

#include "journal/table_row.h"
#include "journal/zip_archive.h"

namespace tarvelo::journal {

// Why a workbook gave no rows: what failed, and in which of its parts (empty for the
// archive itself). A part that is no well-formed XML, or names what is not there, is
// damaged.
struct SheetFailure {
  ZipFailure what;
  std::string part;
};

// The rows of the first sheet of the .xlsx workbook `file`, each cell in its column (A to
// ZZ; cells further right are left out, cells not written are empty text), rows without a
// cell left out. Shared and inline strings are text; number cells give their value too.
std::variant<std::vector<TableRow>, SheetFailure> firstSheetRows(const QByteArray& file);

}  // namespace tarvelo::journal
