// tarvelo-read run as a user runs it, against the simulator.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/simulator_process.h"

namespace tarvelo {
namespace {

using testing::runProgram;
using testing::SimulatorProcess;

constexpr int kCom = 31;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(TarveloRead, PrintsOneLogLinePerReadingAndTheIdentity) {
  const auto weights = testing::writeWeightsFile({"24.50", "25.75"});
  SimulatorProcess sim(kCom, {"--protocol", "bm", "--weights", weights.string(), "--decimals", "2",
                              "--unstable-every", "2", "--unstable-step", "0", "--serial", "777"});
  const auto result = runProgram({TARVELO_READ_PATH, "--com", std::to_string(kCom), "--count", "4",
                                  "--identity"});
  ASSERT_EQ(result.status, 0) << result.err;
  const auto lines = linesOf(result.out);
  ASSERT_EQ(lines.size(), 5u) << result.out;
  const std::regex logLine(R"((\d+)\t\d\d:\d\d:\d\d\t(24[.,]5|25[.,]75)\t(  g|   )\t(стаб\.|нестаб\.))");
  for (int i = 0; i < 4; ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[static_cast<size_t>(i)], match, logLine)) << lines[static_cast<size_t>(i)];
    EXPECT_EQ(match[1], std::to_string(i + 1));
    // A blank unit field is what an unsettled BM balance sends.
    EXPECT_EQ(match[3] == "   ", match[4] == "нестаб.");
  }
  EXPECT_EQ(lines[4], "Весы: KM500  Заводской № 777");
}

TEST(TarveloRead, GivesUpWhenNoBalanceAnswers) {
  testing::privateConfigHome();
  const auto result = runProgram({TARVELO_READ_PATH, "--com", "250", "--limit", "1"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "no balance detected\n");
  EXPECT_EQ(result.out, "");
}

TEST(TarveloRead, RefusesBadUsageAndExplainsItself) {
  EXPECT_EQ(runProgram({TARVELO_READ_PATH, "--com", "0"}).status, 1);
  EXPECT_EQ(runProgram({TARVELO_READ_PATH, "--com", "3x"}).status, 1);
  EXPECT_EQ(runProgram({TARVELO_READ_PATH}).status, 1);
  EXPECT_EQ(runProgram({TARVELO_READ_PATH, "--com", "3", "--limit", "nan"}).status, 1);
  EXPECT_EQ(runProgram({TARVELO_READ_PATH, "--com", "3", "--count", "-1"}).status, 1);
  const auto help = runProgram({TARVELO_READ_PATH, "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("cable"), std::string::npos);
}

}  // namespace
}  // namespace tarvelo
