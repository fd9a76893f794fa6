#include "weighing/load_trigger.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvelo::weighing {
namespace {

using Action = LoadTrigger::Action;
using State = LoadTrigger::State;

constexpr double kThreshold = 2.0;
constexpr int64_t kPauseMs = 1000;
constexpr int64_t kTickMs = 700;

// Feeds one reading a tick, from time 0, and gives the action taken on each.
std::vector<Action> feed(LoadTrigger& trigger, const std::vector<double>& grams, int64_t& now) {
  std::vector<Action> actions;
  for (const double g : grams) {
    actions.push_back(trigger.onReading(g, now));
    now += kTickMs;
  }
  return actions;
}

TEST(LoadTrigger, LoadAtTheThresholdStartsAndNoiseAroundZeroNeverDoes) {
  LoadTrigger trigger(kThreshold, kPauseMs);
  int64_t now = 0;
  EXPECT_EQ(feed(trigger, {0.0, -1.5, 1.99, 1.5, 2.0, 25.0}, now),
            (std::vector{Action::Ignore, Action::Ignore, Action::Ignore, Action::Ignore,
                         Action::StartWeighing, Action::Record}));
}

TEST(LoadTrigger, NextWeighingWaitsForThePanEmptyForThePause) {
  LoadTrigger trigger(kThreshold, kPauseMs);
  int64_t now = 0;
  feed(trigger, {0.0, 25.0, 25.0}, now);
  trigger.weighingDone();
  // The animal stays on after its weighing, is lifted, put back before the pause is
  // over, and lifted again: only a pan empty for the whole pause after the animal's
  // last reading arms the next.
  EXPECT_EQ(feed(trigger, {25.0, 0.1, 24.0, 0.0}, now), std::vector<Action>(4, Action::Ignore));
  EXPECT_EQ(trigger.state(), State::WaitingForEmpty);
  EXPECT_EQ(feed(trigger, {0.0, 26.0}, now), (std::vector{Action::Ignore, Action::StartWeighing}));
}

// A load on the pan when watching starts has no name of its own: it is lifted off and
// the pan stays empty for the pause before the first weighing.
TEST(LoadTrigger, LoadAlreadyOnThePanIsNotWeighed) {
  LoadTrigger trigger(kThreshold, kPauseMs);
  int64_t now = 0;
  EXPECT_EQ(feed(trigger, {25.0, 25.0, 0.0, 0.0, 26.0}, now),
            (std::vector{Action::Ignore, Action::Ignore, Action::Ignore, Action::Ignore, Action::StartWeighing}));
}

TEST(LoadTrigger, LoadLeavingBeforeTheEndDropsTheWeighing) {
  LoadTrigger trigger(kThreshold, kPauseMs);
  int64_t now = 0;
  EXPECT_EQ(feed(trigger, {0.0, 25.0, 25.0, 0.5}, now),
            (std::vector{Action::Ignore, Action::StartWeighing, Action::Record, Action::DropWeighing}));
  EXPECT_EQ(trigger.state(), State::WaitingForEmpty);
  EXPECT_TRUE(trigger.loadLeftEarly());
  EXPECT_EQ(feed(trigger, {0.5, 0.5, 25.0}, now),
            (std::vector{Action::Ignore, Action::Ignore, Action::StartWeighing}));
  EXPECT_FALSE(trigger.loadLeftEarly());
}

}  // namespace
}  // namespace tarvelo::weighing
