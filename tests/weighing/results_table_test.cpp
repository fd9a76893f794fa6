#include "weighing/results_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/weighing/weighing_fixture.h"
#include "weighing/conversion_error.h"

namespace tarvelo::weighing {
namespace {

struct ResultsTable : WeighingFixture {
  std::vector<std::string> messages;
  bool answer = true;
  RemovalDialogs dialogs{
      [this](const std::string& text, const std::string& caption) { messages.push_back(caption + ": " + text); },
      [this](const std::string& text, const std::string& caption) {
        messages.push_back(caption + ": " + text);
        return answer;
      }};

  void weighBatch(const std::vector<double>& masses) {
    for (const double m : masses) weigh({m, m});
  }
  bool removeRow(int row) {
    store.SelectResultRow(row);
    return RemoveResultRow(store, inputs, dialogs);
  }
  std::vector<std::string> column(int c) const {
    std::vector<std::string> cells;
    for (int row = 1; row < store.sgRes.rowCount(); ++row) cells.push_back(result(c, row));
    return cells;
  }
};

TEST(AveragingTime, ReadingsPerWeighing) {
  const int expected[] = {2, 3, 5, 6, 8, 9, 11, 12, 13, 15, 16, 18, 19, 21, 22};
  for (int t = 1; t <= 15; ++t) EXPECT_EQ(readingsForAveragingTime(t), expected[t - 1]) << "t = " << t;
}

TEST_F(ResultsTable, WeighingBecomesARowWithTwoDecimals) {
  inputs.cbWTime = "1";  // two readings
  weigh({25.3, 25.4});
  EXPECT_EQ(column(ResultNumber), (std::vector<std::string>{"1"}));
  EXPECT_EQ(result(ResultTime, 1), "09:05:07");
  EXPECT_EQ(result(ResultName, 1), "Мышь 1");
  EXPECT_EQ(result(ResultMass, 1), "25,35");
  EXPECT_EQ(result(ResultUnit, 1), "г");
  EXPECT_EQ(result(ResultCount, 1), "2");
  EXPECT_EQ(result(ResultDeviation, 1), "0,00");
  EXPECT_EQ(total(TotalMass), "25,35");
  EXPECT_EQ(total(BatchMean), "25,35");
  EXPECT_EQ(total(BatchCount), "1");
  EXPECT_EQ(store.selectedResultRow, 1);
}

TEST_F(ResultsTable, CheckWeightOfOneGramShowsTwoDecimalsLikeEveryWeighing) {
  struct Step {
    const char* legend;
    std::function<void()> act;
    std::vector<std::string> masses;
    std::vector<std::string> deviations;
    const char* batchMean;
  } steps[] = {
      {"a 1 g check weight, readings \"1\", opens the batch",
       [this] { weigh({1.0, 1.0}); },
       {"1,00"},
       {"0,00"},
       "1,00"},
      {"ordinary weighings follow",
       [this] { weighBatch({20.0, 24.0}); },
       {"1,00", "20,00", "24,00"},
       {"-14,00", "5,00", "9,00"},
       "15,00"},
      {"the check weight again, last in the batch",
       [this] { weigh({1.0, 1.0}); },
       {"1,00", "20,00", "24,00", "1,00"},
       {"-10,50", "8,50", "12,50", "-10,50"},
       "11,50"},
      {"a removal right after the check weight",
       [this] { ASSERT_TRUE(removeRow(2)); },
       {"1,00", "24,00", "1,00"},
       {"-7,67", "15,33", "-7,67"},
       "8,67"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.legend);
    step.act();
    EXPECT_EQ(column(ResultMass), step.masses);
    EXPECT_EQ(column(ResultDeviation), step.deviations);
    EXPECT_EQ(total(BatchMean), step.batchMean);
  }
}

TEST_F(ResultsTable, BatchOfThreeWithTotalsAndDeviations) {
  weighBatch({20.0, 22.0, 24.0});
  EXPECT_EQ(column(ResultMass), (std::vector<std::string>{"20,00", "22,00", "24,00"}));
  EXPECT_EQ(column(ResultDeviation), (std::vector<std::string>{"-2,00", "0,00", "2,00"}));
  EXPECT_EQ(column(ResultName), (std::vector<std::string>{"Мышь 1", "Мышь 2", "Мышь 3"}));
  EXPECT_EQ(total(TotalMass), "66");
  EXPECT_EQ(total(BatchMean), "22,00");
  EXPECT_EQ(total(BatchCount), "3");
}

TEST_F(ResultsTable, RemovingAMiddleRowRenumbersAndRebuildsTheTotals) {
  weighBatch({20.0, 22.0, 24.0});
  inputs.eUnit = "Крыса";
  ASSERT_TRUE(removeRow(2));
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "Удаление измерения № 2: Вы действительно хотите удалить измерение № 2?"}));
  EXPECT_EQ(column(ResultNumber), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(column(ResultMass), (std::vector<std::string>{"20,00", "24,00"}));
  EXPECT_EQ(column(ResultName), (std::vector<std::string>{"Крыса 1", "Крыса 2"}));
  EXPECT_EQ(column(ResultDeviation), (std::vector<std::string>{"-2,00", "2,00"}));
  EXPECT_EQ(total(TotalMass), "44,00");
  EXPECT_EQ(total(BatchMean), "22,00");
  EXPECT_EQ(total(BatchCount), "2");
  EXPECT_EQ(store.StrGrid1.rowCount(), 2);  // the current weighing is emptied too
  EXPECT_EQ(store.StrGrid1.cell(kTimeColumn, 1), "");
}

TEST_F(ResultsTable, RemovingTheLastRowMovesTheSelectionUp) {
  weighBatch({20.0, 22.0});
  ASSERT_TRUE(removeRow(2));
  EXPECT_EQ(store.selectedResultRow, 1);
  weigh({30.0, 30.0});
  EXPECT_EQ(column(ResultMass), (std::vector<std::string>{"20,00", "30,00"}));
  EXPECT_EQ(total(TotalMass), "50");
}

TEST_F(ResultsTable, RemovingTheOnlyRowEmptiesTheBatch) {
  weighBatch({20.0});
  ASSERT_TRUE(removeRow(1));
  EXPECT_EQ(result(ResultNumber, 1), "");
  EXPECT_EQ(result(ResultMass, 1), "");
  EXPECT_EQ(total(TotalMass), "0,00");
  EXPECT_EQ(total(BatchMean), "0");
  EXPECT_EQ(total(BatchCount), "0");
  // The next weighing starts the batch again in row 1.
  weigh({21.0, 21.0});
  EXPECT_EQ(column(ResultNumber), (std::vector<std::string>{"1"}));
  EXPECT_EQ(total(TotalMass), "21");
}

TEST_F(ResultsTable, RemovalWithoutResultsOrDeclinedChangesNothing) {
  EXPECT_FALSE(removeRow(1));
  EXPECT_EQ(messages, (std::vector<std::string>{"Нет измерений: Нет ни одного измерения"}));
  weighBatch({20.0, 22.0});
  answer = false;
  EXPECT_FALSE(removeRow(1));
  EXPECT_EQ(column(ResultMass), (std::vector<std::string>{"20,00", "22,00"}));
  EXPECT_EQ(total(TotalMass), "42");
}

TEST_F(ResultsTable, ClearStartsANewBatch) {
  weighBatch({20.0, 22.0});
  store.ClearResults();
  EXPECT_EQ(store.sgRes.rowCount(), 2);
  EXPECT_EQ(result(ResultNumber, 1), "");
  EXPECT_EQ(total(TotalMass), "0");
  weigh({23.5, 23.5});
  EXPECT_EQ(column(ResultMass), (std::vector<std::string>{"23,50"}));
  EXPECT_EQ(total(TotalMass), "23,5");
  EXPECT_EQ(total(BatchMean), "23,50");
  EXPECT_EQ(total(BatchCount), "1");
}

TEST_F(ResultsTable, InterruptedWeighingAveragesWhatItHas) {
  inputs.cbWTime = "5";
  start();
  tick(reading(24.2));
  const StopOutcome stop = StopWeighing(store, inputs);
  EXPECT_TRUE(stop.resultAdded);
  EXPECT_FALSE(stop.lastNum.has_value());
  EXPECT_EQ(result(ResultCount, 1), "1");
  EXPECT_EQ(result(ResultMass, 1), "24,20");

  start();
  const StopOutcome empty = StopWeighing(store, inputs);
  EXPECT_FALSE(empty.resultAdded);
  EXPECT_EQ(store.sgRes.rowCount(), 2);
}

TEST_F(ResultsTable, OtherColumnLayoutStopsBeforeWritingAnything) {
  weighBatch({20.0});
  inputs.FCheck = {false, true, false, true, true, false};  // time, unit, stability
  start();
  tick(reading(21.0));
  tick(reading(21.0));
  EXPECT_THROW(StopWeighing(store, inputs), ConversionError);
  EXPECT_EQ(store.sgRes.rowCount(), 2);
  EXPECT_EQ(column(ResultMass), (std::vector<std::string>{"20,00"}));
  EXPECT_EQ(total(TotalMass), "20");
  EXPECT_EQ(total(BatchCount), "1");
}

}  // namespace
}  // namespace tarvelo::weighing
