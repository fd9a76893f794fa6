#pragma once

#include <QByteArray>
#include <string>
#include <variant>

#include "journal/table_row.h"

namespace tarvelo::journal {

// The rows of a CSV file, blank lines left out; why it gives none ("строка 2: кавычка не
// закрыта", "файл пуст"). The encoding is what the bytes are valid in: UTF-8 with or
// without its byte order mark, UTF-16 with its mark, else Windows-1251. The separator is
// ";", tab or ",", whichever the first line with any has most of outside quotes; a quoted
// field may hold separators, line breaks and doubled quotes. Lines end in CR LF or LF.
std::variant<Table, std::string> csvRows(const QByteArray& file);

}  // namespace tarvelo::journal
