#pragma once

#include "weighing/text_grid.h"

class QTableWidget;

namespace tarvelo::window {

// Shows a text table of the weighing core: its row 0 as the column headings (they stay
// in view while the rows scroll), its other rows as the data, scrolled to its top row.
// A heading wider than its column takes the room the grid has spare, or else wraps
// onto a second line, so no heading is cut.
void showGrid(QTableWidget* table, const weighing::TextGrid& grid);

}  // namespace tarvelo::window
