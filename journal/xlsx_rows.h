#pragma once

#include <QByteArray>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "journal/table_row.h"
#include "journal/zip_archive.h"

namespace tarvelo::journal {

// Why a workbook gave no rows: what failed, and in which of its parts (empty for the
// archive itself). A part that is no well-formed XML, names what is not there, or nests
// deeper than any sheet program writes, is damaged; one whose cells or text go past the
// budget is too large.
struct SheetFailure {
  ZipFailure what;
  std::string part;
  bool tooManyCells = false;  // more than kMaxTableCells
};

// An .xlsx workbook: its sheets' names in order, read from the archive once; each sheet's
// rows read when asked for.
class Workbook {
 public:
  static std::variant<Workbook, SheetFailure> open(const QByteArray& file);

  const std::vector<std::string>& sheets() const { return names_; }
  // The rows of sheet `index`, each cell in its column (A to ZZ; cells further right are
  // left out, cells not written are empty), rows without a cell left out. Shared and inline
  // strings are text; number cells give their value too; error values and formulas without
  // a saved value are flawed.
  std::variant<Table, SheetFailure> rows(size_t index) const;

 private:
  explicit Workbook(ZipArchive archive) : archive_(std::move(archive)) {}

  ZipArchive archive_;
  std::vector<std::string> names_;
  std::vector<std::string> parts_;  // each sheet's part
  std::shared_ptr<const std::vector<std::string>> strings_;
  bool date1904_ = false;
};

}  // namespace tarvelo::journal
