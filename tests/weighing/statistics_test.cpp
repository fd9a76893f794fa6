#include "weighing/statistics.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/weighing/weighing_fixture.h"

namespace tarvelo::weighing {
namespace {

using Statistics = WeighingFixture;

std::vector<double> xs(const std::vector<GraphPoint>& points) {
  std::vector<double> values;
  for (const auto& p : points) values.push_back(p.x);
  return values;
}

TEST(TwoHalvesTrend, HalvesOfOddAndEvenWindows) {
  const std::vector<float> two{10.0f, 13.0f};
  EXPECT_DOUBLE_EQ(twoHalvesTrend(two).slope, 3.0);  // w2 - w1
  const std::vector<float> three{10.0f, 40.0f, 16.0f};
  EXPECT_DOUBLE_EQ(twoHalvesTrend(three).slope, 3.0);  // (w3 - w1) / 2
  const std::vector<float> four{1.0f, 3.0f, 5.0f, 7.0f};
  const TwoHalvesTrend trend = twoHalvesTrend(four);
  EXPECT_DOUBLE_EQ(trend.y1, 2.0);
  EXPECT_DOUBLE_EQ(trend.p1, 1.5);
  EXPECT_DOUBLE_EQ(trend.y2, 6.0);
  EXPECT_DOUBLE_EQ(trend.p2, 3.5);
  EXPECT_DOUBLE_EQ(trend.slope, 2.0);
  const std::vector<float> one{5.0f};
  EXPECT_DOUBLE_EQ(twoHalvesTrend(one).slope, 0.0);
}

TEST_F(Statistics, FirstReadingHasNoStatistics) {
  inputs.SizeEdit = "5";
  start();
  tick(reading(25.0));
  EXPECT_TRUE(store.series.readings.empty());
  EXPECT_TRUE(store.series.trend.empty());
  EXPECT_EQ(store.statisticsCount, 0);
}

TEST_F(Statistics, WindowOfTheLastKReadingsFeedsTheGraph) {
  inputs.SizeEdit = "5";
  inputs.cbWTime = "15";
  start();
  for (int i = 1; i <= 7; ++i) tick(reading(20.0 + i));
  EXPECT_EQ(store.statisticsCount, 5);
  EXPECT_EQ(xs(store.series.readings), (std::vector<double>{3, 4, 5, 6, 7}));
  EXPECT_DOUBLE_EQ(store.series.readings.front().y, 23.0);
  EXPECT_EQ(store.series.readings.front().colour, PointColour::Red);
  EXPECT_DOUBLE_EQ(store.trendSlope, 1.0);
  // The trend line runs through the readings: from reading 3 to reading 7.
  ASSERT_EQ(store.series.trend.size(), 2u);
  EXPECT_EQ(store.series.trend[0].colour, PointColour::Blue);
  EXPECT_DOUBLE_EQ(store.series.trend[0].x, 3.0);
  EXPECT_NEAR(store.series.trend[0].y, 23.0, 1e-5);
  EXPECT_DOUBLE_EQ(store.series.trend[1].x, 7.0);
  EXPECT_NEAR(store.series.trend[1].y, 27.0, 1e-5);
}

TEST_F(Statistics, EqualReadingsGiveZeroDeviationAndAFlatTrend) {
  inputs.FCheck = {false, false, false, false, false, true};
  start();
  store.StrGrid1.setColumnCount(3);
  tick(reading(25.0));
  tick(reading(25.0));
  EXPECT_DOUBLE_EQ(store.trendSlope, 0.0);
  EXPECT_EQ(store.StrGrid1.cell(0, 2), "25");  // mean
  EXPECT_EQ(store.StrGrid1.cell(1, 2), "0");   // standard deviation
  EXPECT_EQ(store.StrGrid1.cell(2, 2), "0");   // change over the window
  EXPECT_EQ(store.StrGrid1.rowCount(), 3);
}

TEST_F(Statistics, StatisticsCellsTakeTheLastThreeColumnsOfTheRow) {
  inputs.FCheck = {true, true, true, true, false, true};
  start();
  tick(reading(20.0));
  tick(reading(21.0));
  tick(reading(23.0));
  // Mean 21,3333, deviation 1,52753, change (3 - 1) × 1,5 = 3 over the window.
  EXPECT_EQ(store.StrGrid1.cell(1, 3), "21,3333");
  EXPECT_EQ(store.StrGrid1.cell(2, 3), "1,52753");
  // The unit cell is then written over the change: the columns belong to the layout.
  EXPECT_EQ(store.StrGrid1.cell(3, 3), "г");
}

}  // namespace
}  // namespace tarvelo::weighing

namespace tarvelo::weighing {
namespace {

struct GraphRangeTest : WeighingFixture {
  void SetUp() override {
    inputs.cbWTime = "15";
    inputs.FCheck[ItemStatistics] = true;
    start();
    store.StrGrid1.setColumnCount(7);
    for (int i = 1; i <= 6; ++i) tick(reading(20.0 + i));
  }
  std::vector<double> redXs() const { return xs(store.series.readings); }
};

TEST_F(GraphRangeTest, RangeOfReadingsBothEndsIncluded) {
  const std::string statisticsCell = store.StrGrid1.cell(4, 6);
  const GraphRange range = ShowGraphRange(store, 2, 5, inputs);
  EXPECT_TRUE(range.drawn);
  EXPECT_EQ(range.lastNum, 5);
  EXPECT_EQ(redXs(), (std::vector<double>{2, 3, 4, 5}));
  EXPECT_DOUBLE_EQ(store.series.readings.front().y, 22.0);
  EXPECT_DOUBLE_EQ(store.series.trend.front().x, 2.0);
  EXPECT_DOUBLE_EQ(store.series.trend.back().x, 5.0);
  EXPECT_EQ(store.StrGrid1.cell(4, 6), statisticsCell);  // no statistics cell is written
}

TEST_F(GraphRangeTest, LastReadingIsClampedToTheRecordedOnes) {
  const GraphRange range = ShowGraphRange(store, 2, 9, inputs);
  EXPECT_EQ(range.lastNum, 6);
  EXPECT_EQ(redXs(), (std::vector<double>{2, 3, 4, 5, 6}));
}

TEST_F(GraphRangeTest, EqualOrReversedEndsDrawNothing) {
  const auto before = redXs();
  EXPECT_FALSE(ShowGraphRange(store, 4, 4, inputs).drawn);
  EXPECT_FALSE(ShowGraphRange(store, 5, 3, inputs).drawn);
  EXPECT_EQ(redXs(), before);
}

}  // namespace
}  // namespace tarvelo::weighing
