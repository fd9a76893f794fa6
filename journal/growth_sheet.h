#pragma once

#include <string>

#include "journal/alert_shares.h"
#include "journal/export_columns.h"
#include "journal/growth_table.h"
#include "reports/spreadsheet_protocol.h"

namespace tarvelo::journal {

// The colours of a day below the warning share and below the limit.
inline constexpr std::uint32_t kWarningFill = 0xFFD699;
inline constexpr std::uint32_t kLimitFill = 0xFF8A8A;

// The growth table as a sheet: a line of masses an animal and one column a day, the per
// cent of its reference on the line below, both cells of a day below a share filled in
// its alert's colour. `note` goes to the footer.
reports::SpreadsheetProtocol growthSheet(const GrowthTable& table, ExportStyle style, const AlertShares& shares,
                                         const std::string& note);

}  // namespace tarvelo::journal
