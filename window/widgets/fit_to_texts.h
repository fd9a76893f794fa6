#pragma once

class QWidget;

namespace tarvelo::window {

// Widens the labels, check boxes, radio buttons and text fields of a panel laid out by
// position whose texts this system's font draws wider than the layout allows (a field
// holds at least a short number whole), moves what stands
// to their right on the same line along, and grows the panel to hold its controls.
// A panel with a layout is left as it is.
void fitToTexts(QWidget* panel);

}  // namespace tarvelo::window
