#include "weighing/recording.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/weighing/weighing_fixture.h"

namespace tarvelo::weighing {
namespace {

using Recording = WeighingFixture;

TEST_F(Recording, DefaultLayoutRowOfAReading) {
  start();
  EXPECT_EQ(store.StrGrid1.columnCount(), 4);
  EXPECT_EQ(store.StrGrid1.cell(0, 0), "№ взв.");
  EXPECT_EQ(store.StrGrid1.cell(3, 0), "Ед.изм.");
  auto r = reading(25.31, 1, "  g");
  std::strcpy(r.model.data(), "KM42-01");
  r.serialNumber = 1234;
  tick(r, "10:11:12");
  EXPECT_EQ(store.StrGrid1.cell(0, 1), "1");
  EXPECT_EQ(store.StrGrid1.cell(1, 1), "10:11:12");
  EXPECT_EQ(store.StrGrid1.cell(2, 1), "25,31");
  EXPECT_EQ(store.StrGrid1.cell(3, 1), "г");
  EXPECT_EQ(store.WStringGrid.cell(0, 1), "25,31");
  EXPECT_EQ(store.TimeStringGrid.cell(0, 1), "10:11:12");
  EXPECT_EQ(store.lBalInfo, "Весы: KM42-01 Заводской № 1234");
  EXPECT_TRUE(store.appButtonEnabled);
  EXPECT_EQ(store.StrGrid1.rowCount(), 2);
}

TEST_F(Recording, UnitColumnShowsGramsForAnyUnitWithTheLetterG) {
  inputs.FCheck = {false, false, false, true, true, false};
  inputs.cbWTime = "15";
  start();
  for (const char* unit : {"kg", "mg", "ct", "%", "pcs", "oz"}) tick(reading(1.0, 1, unit));
  EXPECT_EQ(store.StrGrid1.cell(0, 1), "г");
  EXPECT_EQ(store.StrGrid1.cell(0, 2), "г");
  // Without the letter g the stability text moves into the unit column.
  EXPECT_EQ(store.StrGrid1.cell(0, 3), "стаб.");
  EXPECT_EQ(store.StrGrid1.cell(1, 3), "");
}

TEST_F(Recording, WeighingCompletesAfterNReadingsAndScrollsFromTheSeventh) {
  inputs.cbWTime = "7";  // 11 readings
  start();
  int recorded = 0;
  while (!tick(reading(25.0))) ++recorded;
  EXPECT_EQ(recorded + 1, 11);
  EXPECT_EQ(store.StrGrid1.rowCount(), 12);
  EXPECT_EQ(store.StrGrid1.topRow(), 1 + 5);  // one row down for readings 7 to 11
  const StopOutcome stop = StopWeighing(store, inputs);
  EXPECT_EQ(stop.lastNum, 11);
  start();
  EXPECT_EQ(store.StrGrid1.topRow(), 1);
  EXPECT_EQ(store.StrGrid1.cell(2, 1), "");
}

TEST_F(Recording, WithoutColumnsTheGridNeverGrows) {
  inputs.FCheck = {false, false, false, false, false, false};
  start();
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(tick(reading(25.0)));
  EXPECT_EQ(store.StrGrid1.rowCount(), 2);
  EXPECT_EQ(store.WStringGrid.cell(0, 4), "25");
  EXPECT_FALSE(StopWeighing(store, inputs).resultAdded);
}

}  // namespace
}  // namespace tarvelo::weighing
