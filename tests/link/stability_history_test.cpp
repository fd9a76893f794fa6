#include "link/stability_history.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvelo::link {
namespace {

constexpr uint32_t kStart = 5'000'000;  // well past the window, as on a machine that has run a while

struct Reading {
  double weight;
  uint32_t tick;
};

// Feeds the readings with the check on and returns the stable flag of the last.
uint8_t lastStable(StabilityHistory& history, const std::vector<Reading>& readings) {
  uint8_t stable = 1;
  for (const Reading& r : readings) {
    stable = 1;
    history.apply(r.weight, r.tick, true, stable);
  }
  return stable;
}

TEST(StabilityHistory, SlotCountIsEightPerSecondPlusOne) {
  EXPECT_EQ(StabilityHistory(10.0f, 0.1).size(), 81u);
  EXPECT_EQ(StabilityHistory(0.25f, 0.1).size(), 3u);
  EXPECT_EQ(StabilityHistory(0.0f, 0.1).size(), 1u);
  EXPECT_EQ(StabilityHistory(0.1f, 0.1).size(), 1u);
  EXPECT_EQ(StabilityHistory(-5.0f, 0.1).size(), 1u);
  EXPECT_EQ(StabilityHistory(1e30f, 0.1).size(), 28801u);
}

TEST(StabilityHistory, CheckOffOnlyRecords) {
  StabilityHistory history(10.0f, 0.1);
  uint8_t stable = 1;
  history.apply(10.0, kStart, false, stable);
  history.apply(50.0, kStart + 100, false, stable);
  EXPECT_EQ(stable, 1);
  // What was recorded with the check off still counts once the check is on.
  history.apply(50.0, kStart + 200, false, stable);
  EXPECT_EQ(lastStable(history, {{10.0, kStart + 300}}), 0);
}

TEST(StabilityHistory, ChangeWithinTheWindowClearsStable) {
  StabilityHistory history(10.0f, 0.5);
  EXPECT_EQ(lastStable(history, {{10.0, kStart}, {10.0, kStart + 100}, {10.0, kStart + 200},
                                 {11.0, kStart + 9'000}}),
            0);
}

TEST(StabilityHistory, ChangeEqualToTheThresholdStaysStable) {
  StabilityHistory history(10.0f, 0.5);
  EXPECT_EQ(lastStable(history, {{10.0, kStart}, {10.0, kStart + 100}, {10.5, kStart + 200}}), 1);
}

TEST(StabilityHistory, SlotExactlyAWindowOldEndsTheWalk) {
  StabilityHistory history(10.0f, 0.5);
  // The old reading is exactly 10 000 ms older than the new one: not compared.
  EXPECT_EQ(lastStable(history, {{0.0, kStart}, {50.0, kStart + 10'000}}), 1);
  StabilityHistory within(10.0f, 0.5);
  EXPECT_EQ(lastStable(within, {{0.0, kStart}, {50.0, kStart + 9'999}}), 0);
}

TEST(StabilityHistory, NewerSlotOutsideTheWindowHidesOlderOnes) {
  StabilityHistory history(1.0f, 0.5);
  // Walk goes newest first and stops at the first slot as old as the window.
  EXPECT_EQ(lastStable(history, {{0.0, kStart}, {9.0, kStart + 500}, {9.0, kStart + 600},
                                 {9.0, kStart + 1'700}}),
            1);
}

TEST(StabilityHistory, TheTwoOldestSlotsAreNeverCompared) {
  StabilityHistory history(0.5f, 0.5);  // 5 slots
  ASSERT_EQ(history.size(), 5u);
  // Slots after the last reading: 0:20 1:20 2:10 3:10 4:10, all within the window.
  EXPECT_EQ(lastStable(history, {{20.0, kStart}, {20.0, kStart + 1}, {10.0, kStart + 2},
                                 {10.0, kStart + 3}, {10.0, kStart + 4}}),
            1);
  // One step later slot 2 holds 20 and is compared.
  StabilityHistory shifted(0.5f, 0.5);
  EXPECT_EQ(lastStable(shifted, {{20.0, kStart}, {20.0, kStart + 1}, {20.0, kStart + 2},
                                 {10.0, kStart + 3}, {10.0, kStart + 4}}),
            0);
}

TEST(StabilityHistory, ThreeSlotsCompareSlotOneThenSlotZero) {
  StabilityHistory history(0.25f, 0.5);  // 3 slots, 250 ms
  EXPECT_EQ(lastStable(history, {{20.0, kStart}, {10.0, kStart + 10}, {10.0, kStart + 20}}), 0);
  StabilityHistory outside(0.25f, 0.5);
  EXPECT_EQ(lastStable(outside, {{20.0, kStart}, {10.0, kStart + 300}, {10.0, kStart + 310}}), 1);
}

TEST(StabilityHistory, EmptySlotsFromTheStartEndTheWalk) {
  StabilityHistory history(10.0f, 0.5);
  EXPECT_EQ(lastStable(history, {{100.0, kStart}}), 1);
}

TEST(StabilityHistory, TickCounterWrapIsHandled) {
  StabilityHistory history(10.0f, 0.5);
  EXPECT_EQ(lastStable(history, {{10.0, 0xFFFF'FF00u}, {10.0, 0xFFFF'FF80u}, {20.0, 0x0000'0100u}}), 0);
}

TEST(StabilityHistory, NeverSetsAClearedFlag) {
  StabilityHistory history(10.0f, 0.5);
  uint8_t stable = 0;
  history.apply(10.0, kStart, true, stable);
  history.apply(10.0, kStart + 100, true, stable);
  EXPECT_EQ(stable, 0);
}

}  // namespace
}  // namespace tarvelo::link
