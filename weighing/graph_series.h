#pragma once

#include <vector>

namespace tarvelo::weighing {

enum class PointColour { Red, Blue };

struct GraphPoint {
  double x = 0.0;
  double y = 0.0;
  PointColour colour = PointColour::Red;
};

// The graph of the current weighing as data: the readings of the statistics window
// (red) and the two ends of their trend line (blue).
struct GraphSeries {
  std::vector<GraphPoint> readings;  // Series1
  std::vector<GraphPoint> trend;     // Series3

  void clear() {
    readings.clear();
    trend.clear();
  }
};

}  // namespace tarvelo::weighing
