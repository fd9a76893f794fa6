#pragma once

class QWidget;

namespace tarvelo::app {

// Widens the labels, check boxes and radio buttons of a panel laid out by position
// whose texts this system's font draws wider than the layout allows, moves what stands
// to their right on the same line along, and grows the panel to hold its controls.
// A panel with a layout is left as it is.
void fitToTexts(QWidget* panel);

}  // namespace tarvelo::app
