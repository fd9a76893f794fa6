#include "weighing/acceptance.h"

#include <gtest/gtest.h>

#include "tests/weighing/weighing_fixture.h"
#include "weighing/conversion_error.h"

namespace tarvelo::weighing {
namespace {

using Acceptance = WeighingFixture;

TEST_F(Acceptance, UnstableReadingIsRecordedAsUnstableOnlyUnderStabCB) {
  start();
  auto unstable = reading(25.0, 0);
  EXPECT_TRUE(AcceptReading(store, unstable, inputs));
  EXPECT_EQ(unstable.stable, 1);
  EXPECT_EQ(store.stabilityText, "нестаб.");

  inputs.StabCB = false;
  unstable = reading(25.0, 0);
  EXPECT_FALSE(AcceptReading(store, unstable, inputs));
  EXPECT_EQ(unstable.stable, 0);
  auto stable = reading(25.0, 1);
  EXPECT_TRUE(AcceptReading(store, stable, inputs));
  EXPECT_EQ(store.stabilityText, "стаб.");
}

TEST_F(Acceptance, SignAndMinimumTests) {
  start();
  inputs.MWeightCB = false;
  auto zero = reading(0.0);
  EXPECT_TRUE(AcceptReading(store, zero, inputs));
  auto negative = reading(-0.001);
  EXPECT_FALSE(AcceptReading(store, negative, inputs));
  inputs.MWeightCB = true;
  EXPECT_TRUE(AcceptReading(store, negative, inputs));

  inputs.MinWCB = true;
  inputs.MinimW = "0,001";
  auto atMinimum = reading(0.001);
  EXPECT_FALSE(AcceptReading(store, atMinimum, inputs));
  auto aboveMinimum = reading(0.0011);
  EXPECT_TRUE(AcceptReading(store, aboveMinimum, inputs));
}

TEST_F(Acceptance, OnChangeNeedsAChangeFromThePreviousRecordedReading) {
  store.onChangeMode = true;
  inputs.MaxDif = "0,5";
  start();
  // The first reading compares with 0.
  EXPECT_FALSE(tick(reading(0.4)));
  EXPECT_EQ(store.recordNumber, 0);
  tick(reading(25.0));
  EXPECT_EQ(store.recordNumber, 1);
  EXPECT_FLOAT_EQ(store.previousWeight, 0.0f);
  tick(reading(25.3));
  EXPECT_EQ(store.recordNumber, 1);
  tick(reading(25.5));
  EXPECT_EQ(store.recordNumber, 2);
  EXPECT_FLOAT_EQ(store.previousWeight, 25.0f);
  EXPECT_FALSE(store.changedEnough);  // cleared by the recording
}

TEST_F(Acceptance, ChangeFlagSetByARejectedReadingStaysUntilARecording) {
  store.onChangeMode = true;
  inputs.MaxDif = "1";
  inputs.StabCB = false;
  start();
  auto unstableJump = reading(5.0, 0);
  EXPECT_FALSE(AcceptReading(store, unstableJump, inputs));
  EXPECT_TRUE(store.changedEnough);
  auto smallButStable = reading(0.1);
  EXPECT_TRUE(AcceptReading(store, smallButStable, inputs));
}

TEST_F(Acceptance, ThresholdThatIsNotANumberStopsTheTestAfterItsFirstStep) {
  start();
  tick(reading(25.0));
  inputs.MaxDif = "0,1x";
  auto r = reading(26.0, 0);
  store.stabilityText = "unchanged";
  try {
    AcceptReading(store, r, inputs);
    FAIL() << "no conversion error";
  } catch (const ConversionError& error) {
    EXPECT_EQ(error.text(), "0,1x");
  }
  EXPECT_FLOAT_EQ(store.previousWeight, 25.0f);
  EXPECT_EQ(store.stabilityText, "unchanged");
}

}  // namespace
}  // namespace tarvelo::weighing
