#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "link/acquisition_thread.h"
#include "link/reading_handoff.h"

namespace tarvelo::link {
namespace {

using namespace std::chrono_literals;

WeightReading readingOf(double weight, uint8_t stable = 1) {
  WeightReading reading;
  reading.weight = weight;
  reading.stable = stable;
  return reading;
}

TEST(ReadingHandoff, ReadingArrivingWithoutARequestIsNotPublished) {
  ReadingHandoff handoff;
  EXPECT_FALSE(handoff.publish(readingOf(1.0)));
  EXPECT_EQ(handoff.readingReady, 0);
  WeightReading copy = readingOf(-1.0);
  EXPECT_FALSE(handoff.takeReading(copy));
  EXPECT_EQ(copy.weight, -1.0);
}

TEST(ReadingHandoff, PublishedReadingStaysUntilTaken) {
  ReadingHandoff handoff;
  handoff.prepareRun(3, 10.0f, 0.1);
  EXPECT_EQ(handoff.balancePort, 3);
  EXPECT_TRUE(handoff.publish(readingOf(1.0)));
  // (0, 1): a newer reading must not replace the one waiting for the consumer.
  EXPECT_FALSE(handoff.publish(readingOf(2.0)));
  WeightReading copy;
  ASSERT_TRUE(handoff.takeReading(copy));
  EXPECT_EQ(copy.weight, 1.0);
  handoff.readingDone();
  EXPECT_EQ(handoff.readingRequested, 1);
  EXPECT_EQ(handoff.readingReady, 0);
  EXPECT_TRUE(handoff.publish(readingOf(3.0)));
  ASSERT_TRUE(handoff.takeReading(copy));
  EXPECT_EQ(copy.weight, 3.0);
}

TEST(ReadingHandoff, NewRequestAtTheNextTickLetsTheProducerReplaceTheReading) {
  ReadingHandoff handoff;
  handoff.prepareRun(1, 10.0f, 0.1);
  ASSERT_TRUE(handoff.publish(readingOf(1.0)));
  handoff.requestReading(true);  // (1, 1)
  EXPECT_EQ(handoff.stabilityCheckOn, 1);
  ASSERT_TRUE(handoff.publish(readingOf(2.0)));
  WeightReading copy;
  ASSERT_TRUE(handoff.takeReading(copy));
  EXPECT_EQ(copy.weight, 2.0);
}

TEST(ReadingHandoff, NothingIsPublishedAfterTheStopRoutine) {
  ReadingHandoff handoff;
  handoff.prepareRun(1, 10.0f, 0.1);
  handoff.requestStop();
  EXPECT_TRUE(handoff.stopSignal.raised());
  EXPECT_FALSE(handoff.publish(readingOf(1.0)));
  EXPECT_EQ(handoff.readingReady, 0);
}

// A balance that delivers 1, 2, 3, ... every call, counting how many sources live at once.
class CountingSource final : public ReadingSource {
 public:
  CountingSource(std::atomic<int>& alive, std::atomic<int>& mostAlive, double step)
      : alive_(alive), step_(step) {
    const int now = ++alive_;
    int seen = mostAlive.load();
    while (now > seen && !mostAlive.compare_exchange_weak(seen, now)) {
    }
  }
  ~CountingSource() override { --alive_; }
  bool Acquire(WeightReading& places) override {
    next_ += step_;
    places.weight = next_;
    places.stable = 1;
    return true;
  }

 private:
  std::atomic<int>& alive_;
  double step_;
  double next_ = 0.0;
};

struct ThreadFixture : ::testing::Test {
  ReadingHandoff handoff;
  std::atomic<int> alive{0};
  std::atomic<int> mostAlive{0};
  std::atomic<int> portSeen{0};
  double step = 1.0;
  AcquisitionThread thread{handoff,
                           [this](int32_t port, const StopSignal&) {
                             portSeen = port;
                             return std::make_unique<CountingSource>(alive, mostAlive, step);
                           },
                           systemClock()};

  // Waits like the consumer's tick for the next reading.
  WeightReading nextReading() {
    WeightReading copy;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!handoff.takeReading(copy)) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "no reading within 5 s";
        return copy;
      }
      std::this_thread::sleep_for(5ms);
    }
    handoff.readingDone();
    return copy;
  }
};

TEST_F(ThreadFixture, DeliversFreshReadingsOnRequest) {
  thread.start(7, 10.0f, 0.1);
  double previous = 0.0;
  for (int i = 0; i < 5; ++i) {
    const WeightReading reading = nextReading();
    EXPECT_GT(reading.weight, previous);
    EXPECT_EQ(reading.stable, 1);
    previous = reading.weight;
  }
  thread.stopAndJoin();
  EXPECT_EQ(portSeen, 7);
  EXPECT_EQ(alive, 0);
}

TEST_F(ThreadFixture, SnapshotStaysAsItWasAfterTheStop) {
  thread.start(1, 10.0f, 0.1);
  nextReading();
  thread.stopAndJoin();
  const double frozen = handoff.weightReading.weight;
  handoff.readingDone();  // even a request after the stop gets nothing: the thread is gone
  std::this_thread::sleep_for(60ms);
  EXPECT_EQ(handoff.weightReading.weight, frozen);
  EXPECT_EQ(handoff.readingReady, 0);
}

TEST_F(ThreadFixture, NewRunWaitsForThePreviousThread) {
  for (int run = 0; run < 3; ++run) {
    thread.start(1, 10.0f, 0.1);
    nextReading();
    thread.stop();
  }
  thread.stopAndJoin();
  EXPECT_EQ(mostAlive, 1);
  EXPECT_EQ(alive, 0);
}

TEST_F(ThreadFixture, TimeFilterMarksAJumpUnstableOnlyWhenTheCheckIsOn) {
  step = 5.0;  // every reading 5 above the last, allowed change 0.1
  thread.start(1, 10.0f, 0.1);
  handoff.requestReading(false);
  nextReading();
  EXPECT_EQ(nextReading().stable, 1);
  handoff.requestReading(true);
  nextReading();  // may have been filtered before the flag was seen
  handoff.requestReading(true);
  EXPECT_EQ(nextReading().stable, 0);
}

// A source whose Acquire blocks until the run's stop signal is raised, as a port
// wait on a silent line does.
class BlockingSource final : public ReadingSource {
 public:
  explicit BlockingSource(const StopSignal& stop) : stop_(stop) {}
  bool Acquire(WeightReading&) override {
    while (!stop_.raised()) std::this_thread::sleep_for(1ms);
    return false;
  }

 private:
  const StopSignal& stop_;
};

TEST(AcquisitionThread, StopWhileSearchingEndsWithinOneAcquire) {
  ReadingHandoff handoff;
  AcquisitionThread thread(
      handoff, [](int32_t, const StopSignal& stop) { return std::make_unique<BlockingSource>(stop); },
      systemClock());
  thread.start(1, 10.0f, 0.1);
  std::this_thread::sleep_for(50ms);
  const auto before = std::chrono::steady_clock::now();
  thread.stopAndJoin();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
}

TEST(StopSignal, PauseRunsItsTimeAndEndsAsSoonAsTheSignalIsRaised) {
  StopSignal stop;
  auto before = std::chrono::steady_clock::now();
  EXPECT_FALSE(stop.waitMs(30));
  EXPECT_GE(std::chrono::steady_clock::now() - before, 30ms);

  std::thread stopper([&stop] {
    std::this_thread::sleep_for(50ms);
    stop.raise();
  });
  before = std::chrono::steady_clock::now();
  EXPECT_TRUE(stop.waitMs(10'000));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  stopper.join();

  before = std::chrono::steady_clock::now();
  EXPECT_TRUE(stop.waitMs(10'000)) << "a raised signal ends a pause before it starts";
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  stop.clear();
  EXPECT_FALSE(stop.waitMs(1));
}

}  // namespace
}  // namespace tarvelo::link
