#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "journal/export_columns.h"
#include "journal/journal_record.h"

namespace tarvelo::journal {

// Writes the results to `file`: as the one sheet of an .xlsx workbook when its name ends
// in ".xlsx", with masses, deviations and counts as numbers; as CSV otherwise. An earlier
// file of that name stays as it was when writing fails. The reason then, empty when written.
std::string exportResults(const std::vector<JournalRecord>& results, ExportStyle style,
                          const std::filesystem::path& file);

}  // namespace tarvelo::journal
