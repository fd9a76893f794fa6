#include "reports/hidden_log.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "link/ansi_text.h"
#include "reports/log_line.h"
#ifndef _WIN32
#include "tests/support/file_size_limit.h"
#endif

namespace tarvelo::reports {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTime = "11:22:28";
constexpr char kDecimalSeparator = ',';
constexpr bool kLimitedByCount = true;
const std::string kNoBalanceFile("no balance detected\0", 20);

link::WeightReading reading() {
  link::WeightReading reading;
  reading.weight = 25.31;
  reading.unit = {' ', ' ', 'g', '\0'};
  reading.stable = 1;
  return reading;
}

// Line `number` as it must stand in the file: in the system's 8-bit encoding.
std::string line(int number) {
  return link::toAnsiText(logLineText(number, kTime, reading(), kDecimalSeparator)) + "\r\n";
}

class HiddenLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarvelo-hidden-log-" + std::to_string(std::random_device()()));
    ASSERT_TRUE(fs::create_directory(dir_));
    log_.startRun();
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path file() const { return dir_ / u8"журнал.txt"; }
  std::optional<link::Failure> logLine(bool limitedByCount = kLimitedByCount) {
    return log_.WriteLogLine(file(), limitedByCount, kTime, reading(), kDecimalSeparator);
  }
  std::string content() const {
    std::ifstream in(file(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  HiddenLog log_;

 private:
  fs::path dir_;
};

TEST_F(HiddenLogTest, RunOfThreeLinesGivesExactlyThoseLines) {
  std::ofstream(file(), std::ios::binary) << "an older log\r\n";
  for (int i = 0; i < 3; ++i) ASSERT_FALSE(logLine());
  ASSERT_FALSE(log_.SaveLog(file()));
  EXPECT_EQ(content(), line(1) + line(2) + line(3));
}

TEST_F(HiddenLogTest, LinesAfterSaveLogInTheSameRunKeepTheEarlierLines) {
  ASSERT_FALSE(logLine());
  ASSERT_FALSE(logLine());
  ASSERT_FALSE(log_.SaveLog(file()));
  ASSERT_FALSE(log_.SaveLog(file()));
  EXPECT_EQ(content(), line(1) + line(2));
  ASSERT_FALSE(logLine());
  ASSERT_FALSE(log_.SaveLog(file()));
  EXPECT_EQ(content(), line(1) + line(2) + line(3));
}

// A full disk, twice: the second time in the file reopened after the first.
TEST_F(HiddenLogTest, FailedWriteLeavesOnlyWholeLinesAndTheNextLineContinuesTheFile) {
#ifdef _WIN32
  GTEST_SKIP() << "fills the disk with a file size limit, which Windows does not have";
#else
  // Room for a part of a line only, so a write stops in the middle of its line.
  constexpr rlim_t kPartOfALine = 5;
  using testing::FileSizeLimit;
  ASSERT_FALSE(logLine());
  ASSERT_FALSE(logLine());
  std::string expected = line(1) + line(2);
  for (int lineNumber = 3; lineNumber <= 4; ++lineNumber) {
    {
      const FileSizeLimit limit(fs::file_size(file()) + kPartOfALine);
      const std::optional<link::Failure> failed = logLine();
      ASSERT_TRUE(failed);
      EXPECT_EQ(failed->code, EFBIG) << "the write's own error, as a full disk gives its own";
      EXPECT_EQ(content(), expected);
    }
    ASSERT_FALSE(logLine());
    expected += line(lineNumber);
    EXPECT_EQ(content(), expected);
  }
  ASSERT_FALSE(log_.SaveLog(file()));
  EXPECT_EQ(content(), expected);
  EXPECT_EQ(log_.logLineCount(), 4);
#endif
}

TEST_F(HiddenLogTest, NoBalanceFileOnlyForARunWithoutLines) {
  ASSERT_FALSE(log_.writeNoBalance(file()));
  EXPECT_EQ(content(), kNoBalanceFile);
  ASSERT_FALSE(logLine());  // a balance after all: the run's file starts anew
  EXPECT_EQ(content(), line(1));

  EXPECT_TRUE(log_.writeNoBalance(file()));
  ASSERT_FALSE(log_.SaveLog(file()));
  EXPECT_TRUE(log_.writeNoBalance(file()));
  EXPECT_EQ(content(), line(1));
}

TEST_F(HiddenLogTest, NewRunStartsItsFileAnewAndNumbersOn) {
  constexpr bool kNotLimited = !kLimitedByCount;
  ASSERT_FALSE(logLine(kNotLimited));
  ASSERT_FALSE(logLine(kNotLimited));
  EXPECT_EQ(content(), " \r\n" + line(1) + line(2));

  log_.startRun();
  ASSERT_FALSE(logLine(kNotLimited));
  EXPECT_EQ(content(), line(3)) << "the blank line comes once a process";

  log_.startRun();
  ASSERT_FALSE(log_.SaveLog(file()));
  EXPECT_EQ(content(), "");
}

}  // namespace
}  // namespace tarvelo::reports
