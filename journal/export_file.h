#pragma once

#include <filesystem>
#include <optional>

#include "journal/alert_shares.h"
#include "journal/export_columns.h"
#include "journal/export_source.h"
#include "journal/journal.h"
#include "link/failure.h"

namespace tarvelo::journal {

// Whether `file` is to be an .xlsx sheet, by its name, rather than CSV.
bool isSheetFile(const std::filesystem::path& file);

// Writes the standing results the filter takes to `file`, each as it is read, so a
// journal of any length takes little memory: as the one sheet of an .xlsx workbook when
// its name ends in ".xlsx", with masses, deviations and counts as numbers and the
// journal's head in the footer and the workbook's comment; as CSV otherwise. An earlier
// file of that name stays as it was when writing fails or the journal cannot be read to
// its end. The failure then.
std::optional<link::Failure> exportResults(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                           const std::filesystem::path& file);
// The same for the results of any source: the lab's server's too.
std::optional<link::Failure> exportResults(const ExportSource& source, ExportStyle style,
                                           const std::filesystem::path& file);

// The animals' weighings the filter takes, in the long CSV form colony-management systems
// import (number, date, time, grams), written as safely.
std::optional<link::Failure> exportAnimalWeights(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                                 const std::filesystem::path& file);

// The animals' growth, a line an animal and a column a day, as an .xlsx sheet.
std::optional<link::Failure> exportGrowth(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                          const AlertShares& shares, const std::filesystem::path& file);

}  // namespace tarvelo::journal
