#pragma once

#include <string>
#include <vector>

#include "journal/journal_record.h"

namespace tarvelo::journal {

// As a Russian spreadsheet program reads it: ";" between fields, the decimal comma and
// Russian headings. For a LIMS: "," and ".", and plain headings.
enum class CsvStyle { Russian, CLocale };

// The results as CSV in UTF-8 with a byte-order mark, a heading line first, lines ended
// by CR LF; the masses and deviations as numbers of the style.
std::string csvOf(const std::vector<JournalRecord>& results, CsvStyle style);

}  // namespace tarvelo::journal
