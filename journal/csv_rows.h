#pragma once

#include <QByteArray>
#include <vector>

#include "journal/table_row.h"

namespace tarvelo::journal {

// The rows of a CSV file with a heading line, blank lines left out. The separator is ";"
// or ",", whichever the heading line has more of; a quoted field may hold either, line
// breaks and doubled quotes. UTF-8, with or without its byte order mark, or else
// Windows-1251; lines end in CR LF or LF.
std::vector<TableRow> csvRows(const QByteArray& file);

}  // namespace tarvelo::journal
