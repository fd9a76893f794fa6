#pragma once

#include <string>
#include <vector>

#include "journal/export_columns.h"
#include "journal/journal_record.h"

namespace tarvelo::journal {

// The results as CSV in UTF-8 with a byte-order mark, a heading line first, lines ended
// by CR LF; the masses and deviations as numbers of the style.
std::string csvOf(const std::vector<JournalRecord>& results, ExportStyle style);

}  // namespace tarvelo::journal
