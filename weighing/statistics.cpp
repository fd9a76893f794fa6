#include "statistics.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "number_text.h"

namespace tarvelo::weighing {

namespace {

constexpr int kScrollFromIndex = 6;

bool anyColumnItem(const WeighingInputs& inputs) {
  return std::any_of(inputs.FCheck.begin(), inputs.FCheck.begin() + kColumnItems, [](bool on) { return on; });
}

// Mean weight and mean 1-based position of values[first, last).
std::pair<double, double> halfMeans(std::span<const float> values, int first, int last) {
  double weights = 0.0;
  double positions = 0.0;
  for (int i = first; i < last; ++i) {
    weights += values[static_cast<std::size_t>(i)];
    positions += i + 1;
  }
  const int count = last - first;
  return {weights / count, positions / count};
}

}  // namespace

TwoHalvesTrend twoHalvesTrend(std::span<const float> values) {
  const int n = static_cast<int>(values.size());
  const int h = n / 2;
  // Odd window: positions 1..h+1 and h+1..n; even: 1..h and h+1..n.
  const int firstEnd = n % 2 == 1 ? h + 1 : h;
  TwoHalvesTrend trend;
  std::tie(trend.y1, trend.p1) = halfMeans(values, 0, firstEnd);
  std::tie(trend.y2, trend.p2) = halfMeans(values, h, n);
  trend.slope = h != 0 ? (trend.y2 - trend.y1) / (trend.p2 - trend.p1) : 0.0;
  return trend;
}

void CollectStatisticsWindow(MeasurementStore& store, const WeighingInputs& inputs) {
  const int c = store.recordNumber;
  if (c == 1) return;
  const int n = std::min(store.statisticsWindow, c);
  if (n < 1) return;
  std::vector<float> window;
  window.reserve(static_cast<std::size_t>(n));
  for (int row = c - n + 1; row <= c; ++row) {
    window.push_back(static_cast<float>(parseNumber(store.WStringGrid.cell(0, row))));
  }
  store.statisticsCount = n;
  UpdateStatistics(store, window, c, inputs);
}

void UpdateStatistics(MeasurementStore& store, std::span<const float> values, int c,
                      const WeighingInputs& inputs) {
  const int n = static_cast<int>(values.size());
  const int first = c - n + 1;
  store.series.clear();
  double sum = 0.0;
  for (int i = 0; i < n; ++i) {
    sum += values[static_cast<std::size_t>(i)];
    store.series.readings.push_back({static_cast<double>(first + i), values[static_cast<std::size_t>(i)],
                                     PointColour::Red});
  }
  const double mean = sum / n;
  double squares = 0.0;
  for (const float v : values) squares += (v - mean) * (v - mean);
  const double deviation = n > 1 ? std::sqrt(squares / (n - 1)) : 0.0;

  const bool statisticsCells = inputs.FCheck[ItemStatistics];
  TextGrid& grid = store.StrGrid1;
  const int row = store.readingIndex;
  const char separator = inputs.decimalSeparator;
  if (statisticsCells) {
    grid.setRowCount(row + 1);
    if (row >= kScrollFromIndex && !anyColumnItem(inputs)) grid.scrollDown();
    grid.setCell(grid.columnCount() - 3, row, statisticsNumberText(mean, separator));
    grid.setCell(grid.columnCount() - 2, row, statisticsNumberText(deviation, separator));
  }

  const TwoHalvesTrend trend = twoHalvesTrend(values);
  store.trendSlope = deviation == 0.0 ? 0.0 : trend.slope;
  if (statisticsCells) {
    grid.setCell(grid.columnCount() - 1, row, statisticsNumberText((n - 1) * store.trendSlope, separator));
  }

  const double x1 = c - n + trend.p1;
  const auto intercept = static_cast<float>(trend.y1 - store.trendSlope * x1);
  store.series.trend.push_back({static_cast<double>(first), first * store.trendSlope + intercept, PointColour::Blue});
  store.series.trend.push_back({static_cast<double>(c), c * store.trendSlope + intercept, PointColour::Blue});
}

GraphRange ShowGraphRange(MeasurementStore& store, int startNum, int lastNum, WeighingInputs inputs) {
  GraphRange range{std::min(lastNum, store.recordNumber), false};
  const int n = range.lastNum - startNum;
  if (n <= 0) return range;
  std::vector<float> values;
  values.reserve(static_cast<std::size_t>(n) + 1);
  for (int row = startNum; row <= startNum + n; ++row) {
    values.push_back(static_cast<float>(parseNumber(store.WStringGrid.cell(0, row))));
  }
  inputs.FCheck[ItemStatistics] = false;  // a redraw writes no statistics cells
  UpdateStatistics(store, values, range.lastNum, inputs);
  range.drawn = true;
  return range;
}

}  // namespace tarvelo::weighing
