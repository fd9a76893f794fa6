// The tag reader against the simulator's reader on a pseudo-terminal: the real port back
// end and thread, the reader driven by hand through the simulator's standard input.
#include "link/tag_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/port_checks.h"
#include "tests/support/simulator_process.h"

namespace tarvelo::link {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::SimulatorProcess;

constexpr int kBalanceCom = 33;
constexpr int kReaderCom = 34;
constexpr uint32_t kReaderBaud = 9600;
// Two searches for the reader, with room for a busy machine.
constexpr auto kEventLimit = 10s;
constexpr auto kStopLimit = 500ms;
constexpr std::size_t kLongLineTail = 100;
constexpr uint32_t kBmBaud = 2400;
// An empty pan for kEmptyPan, then an animal.
constexpr auto kEmptyPan = 600ms;
const std::string kProfile = "0.6:0:0,0.2:20:0";

const std::vector<std::string> kReaderOnStdin{"--protocol", "bm", "--tag-reader-com",
                                              std::to_string(kReaderCom), "--tag-reader-stdin"};

// What the reader told, handed over from its thread. Read the lists under the lock, or
// once the reader has stopped.
struct Heard {
  std::mutex lock;
  std::condition_variable told;
  std::vector<TagRead> tags;
  std::vector<TagReaderStatus> statuses;
  std::vector<std::string> otherLines;

  template <typename T>
  auto keepIn(std::vector<T>& list) {
    return [this, &list](const T& item) {
      const std::lock_guard held(lock);
      list.push_back(item);
      told.notify_all();
    };
  }
  TagReaderEvents events() { return {keepIn(tags), keepIn(statuses), keepIn(otherLines)}; }

  template <typename Done>
  bool waitFor(Done done) {
    std::unique_lock held(lock);
    return told.wait_for(held, kEventLimit, done);
  }
};

std::vector<std::string> numbersOf(const std::vector<TagRead>& tags) {
  std::vector<std::string> numbers;
  for (const TagRead& tag : tags) numbers.push_back(tag.number);
  return numbers;
}

TEST(TagReader, ReadsTagsSkipsOtherLinesAndFindsTheReaderAgainAfterAnUnplug) {
  SimulatorProcess sim(kBalanceCom, kReaderOnStdin);
  Heard heard;
  TagReader reader(kReaderCom, kReaderBaud, heard.events());
  reader.start();
  ASSERT_TRUE(heard.waitFor([&] { return heard.statuses.size() == 1; }));
  const auto sent = Clock::now();
  // Lines ended by CR LF, LF and CR; then a tag in a line too long to be a reader's.
  sim.tell(R"(line 12 is no tag\r\n985.000001234569\n985_000001234570\r)");
  sim.tell("line 985000001234571 " + std::string(kLongLineTail, 'x') + R"(\r\n)");
  sim.tell("tag 985000001234567");
  ASSERT_TRUE(heard.waitFor([&] { return heard.tags.size() == 3; }));
  const auto received = Clock::now();
  sim.tell("unplug");
  ASSERT_TRUE(heard.waitFor([&] { return heard.statuses.size() == 2; }));
  // One search fails meanwhile, and the reader is still lost.
  std::this_thread::sleep_for(std::chrono::milliseconds(kTagReaderSearchIntervalMs * 3 / 2));
  sim.tell("plug");
  ASSERT_TRUE(heard.waitFor([&] { return heard.statuses.size() == 3; }));
  sim.tell("tag 985000001234568");
  ASSERT_TRUE(heard.waitFor([&] { return heard.tags.size() == 4; }));
  EXPECT_LT(testing::timed([&] { reader.stop(); }), kStopLimit);

  using enum TagReaderState;
  EXPECT_EQ(heard.statuses,
            (std::vector<TagReaderStatus>{{Reading, ""}, {Lost, ""}, {Reading, ""}}));
  EXPECT_EQ(numbersOf(heard.tags),
            (std::vector<std::string>{"985000001234569", "985000001234570", "985000001234567",
                                      "985000001234568"}));
  EXPECT_TRUE(heard.tags[2].time >= sent && heard.tags[2].time <= received);
  ASSERT_EQ(heard.otherLines.size(), 2u);
  EXPECT_EQ(heard.otherLines[0], "12 is no tag");
}

// As a test of the settings does: a reader started, stopped in its wait, started again.
TEST(TagReader, PortThatCannotBeOpenedIsSaidAndAReaderStartedAgainReads) {
  testing::MissingPort missing(kReaderCom);
  Heard heard;
  TagReader reader(kReaderCom, kReaderBaud, heard.events());
  reader.start();
  ASSERT_TRUE(heard.waitFor([&] { return heard.statuses.size() == 1; }));
  EXPECT_LT(testing::timed([&] { reader.stop(); }), kStopLimit);
  EXPECT_EQ(heard.statuses[0].state, TagReaderState::CannotOpen);
  EXPECT_NE(heard.statuses[0].failure, "");

  SimulatorProcess sim(kBalanceCom, kReaderOnStdin);
  reader.start();
  ASSERT_TRUE(heard.waitFor([&] { return heard.statuses.size() == 2; }));
  sim.tell("tag 985000001234567");
  ASSERT_TRUE(heard.waitFor([&] { return heard.tags.size() == 1; }));
  reader.stop();
  EXPECT_EQ(heard.statuses[1].state, TagReaderState::Reading);
}

// The profile runs while the balance is read, and each loaded step brings the next tag.
TEST(TagReader, ProfileReadsTheTagsInTurnAsAnimalsComeOntoThePan) {
  SimulatorProcess sim(kBalanceCom, {"--protocol", "bm", "--period-ms", "50", "--profile", kProfile,
                                     "--tags", "985000000000001,985000000000002",
                                     "--tag-reader-com", std::to_string(kReaderCom)});
  Heard heard;
  TagReader reader(kReaderCom, kReaderBaud, heard.events());
  reader.start();
  ASSERT_TRUE(heard.waitFor([&] { return heard.statuses.size() == 1; }));
  RalvoComA balance = testing::systemPort();
  const auto opened = Clock::now();
  ASSERT_FALSE(balance.Open(kBalanceCom, kBmBaud, kParityEven));
  ASSERT_TRUE(heard.waitFor([&] { return heard.tags.size() == 3; }));
  reader.stop();
  // One tag an animal: none while the pan is empty.
  auto previous = opened;
  for (const TagRead& tag : heard.tags)
    EXPECT_GE(tag.time - std::exchange(previous, tag.time), kEmptyPan / 2);
  EXPECT_EQ(numbersOf(heard.tags),
            (std::vector<std::string>{"985000000000001", "985000000000002", "985000000000001"}));
}

}  // namespace
}  // namespace tarvelo::link
