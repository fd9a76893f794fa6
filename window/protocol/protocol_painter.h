#pragma once

#include "reports/spreadsheet_protocol.h"

class QPagedPaintDevice;

namespace tarvelo::window {

// Draws the protocol sheet as a spreadsheet prints it: the cells on their grid of
// rows and columns, bold, framed and aligned as the layout says, scaled to one page
// wide, rows continuing on further pages under the title rows when they do not fit.
bool paintProtocol(const reports::SpreadsheetProtocol& protocol, QPagedPaintDevice& device);

}  // namespace tarvelo::window
