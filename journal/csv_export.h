#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "journal/export_columns.h"
#include "journal/export_source.h"
#include "journal/journal.h"
#include "link/failure.h"

namespace tarvelo::journal {

// Writes the standing results the filter takes to `out` as CSV, each as it is read: UTF-8
// with a byte-order mark, a heading line first, lines ended by CR LF; the masses and
// deviations as numbers of the style, and no text that a spreadsheet would take for a
// formula. A Russian export ends with the journal's head, for a person to check it by.
// The failure when `out` does not take it; a journal that cannot be read throws ReadError.
std::optional<link::Failure> writeCsv(const ExportSource& source, ExportStyle style, std::FILE* out);
inline std::optional<link::Failure> writeCsv(const Journal& journal, const RecordFilter& filter, ExportStyle style,
                                             std::FILE* out) {
  return writeCsv(journalSource(journal, filter), style, out);
}

// The same for the standing results with an animal's number, in the long form that
// colony-management systems import: the number, the date (2026-12-07), the time and the
// mass in grams, a line a weighing. Results without a number are left out.
std::optional<link::Failure> writeAnimalWeightsCsv(const Journal& journal, const RecordFilter& filter,
                                                   ExportStyle style, std::FILE* out);

}  // namespace tarvelo::journal
