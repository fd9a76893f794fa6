#pragma once

class QWidget;

namespace tarvelo::window {

// A window of its own, "График", for the graph's range controls above and the chart
// below; moved into it whole, the chart grows with the window.
QWidget* makeGraphWindow(QWidget* rangeControls, QWidget* chart, QWidget* parent);

}  // namespace tarvelo::window
