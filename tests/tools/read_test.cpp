// tarvelo-read run as a user runs it, against the simulator.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "link/com_port_path.h"
#include "tests/support/pseudo_terminal.h"
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

std::vector<std::string> readArgs(std::initializer_list<std::string> options) {
  std::vector<std::string> args{TARVELO_READ_PATH, "--com", std::to_string(kCom)};
  args.insert(args.end(), options);
  return args;
}

struct BalanceCase {
  // Names the case by its legend in test lists and failures.
  friend void PrintTo(const BalanceCase& c, std::ostream* os) { *os << c.legend; }
  const char* legend;
  const char* protocol;
  std::string unitPattern;
  std::string identity;
};

class TarveloReadBalance : public ::testing::TestWithParam<BalanceCase> {};

// The cable check as the README prints it: readings, then the identity, and nothing else
// on standard output, for whichever balance is on the line and within the default limit.
TEST_P(TarveloReadBalance, PrintsOnlyItsReadingsAndTheIdentity) {
  const BalanceCase& c = GetParam();
  const auto weights = testing::writeWeightsFile({"24.50", "25.75"});
  SimulatorProcess sim(kCom, {"--protocol", c.protocol, "--weights", weights.string(), "--decimals",
                              "2", "--unstable-every", "2", "--unstable-step", "0", "--serial", "777"});
  const auto result = runProgram(readArgs({"--count", "4", "--identity"}));
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  const auto lines = linesOf(result.out);
  ASSERT_EQ(lines.size(), 5u) << result.out;
  const std::regex logLine(R"((\d+)\t\d\d:\d\d:\d\d\t[-0-9.,]+\t()" + c.unitPattern +
                           R"()\t(стаб\.|нестаб\.))");
  for (std::size_t i = 0; i < 4; ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, logLine)) << lines[i];
    EXPECT_EQ(match[1], std::to_string(i + 1));
  }
  EXPECT_EQ(lines[4], c.identity);
}

INSTANTIATE_TEST_SUITE_P(
    Balances, TarveloReadBalance,
    ::testing::Values(BalanceCase{"BM", "bm", "  g|   ", "Весы: KM500  Заводской № 777"},
                      BalanceCase{"TSK", "tsk", "kg", "Весы:  Заводской № 0"},
                      BalanceCase{"B", "b", "g", "Весы: KM305-01 Заводской № 777"}),
    [](const ::testing::TestParamInfo<BalanceCase>& info) { return std::string(info.param.legend); });

TEST(TarveloRead, BalanceDiagnosticsGoToStandardErrorAndALostBalanceEndsAfterTheLimit) {
  SimulatorProcess sim(kCom, {"--protocol", "tsk", "--silent-after", "3"});
  const auto result = runProgram(readArgs({"--count", "10", "--limit", "4"}));
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(linesOf(result.out).size(), 2u) << "the first reply only makes contact:\n" << result.out;
  EXPECT_EQ(result.err, "Error: 4\nвесы замолчали\n");
}

// Readings that never reached standard output (a full disk, a closed output) are a failure.
TEST(TarveloRead, OutputThatCannotBeWrittenIsAFailure) {
  SimulatorProcess sim(kCom, {"--protocol", "bm"});
  for (const char* redirect : {"> /dev/full", ">&-"}) {
    const std::string command = std::string("exec \"$0\" --com ") + std::to_string(kCom) +
                                " --count 2 " + redirect;
    const auto result = runProgram({"/bin/sh", "-c", command, TARVELO_READ_PATH});
    EXPECT_EQ(result.status, 4) << redirect;
    EXPECT_TRUE(result.err.starts_with("стандартный вывод не принимает запись: ")) << result.err;
  }
}

TEST(TarveloRead, GivesUpOnASilentLine) {
  testing::PseudoTerminal line(kCom);
  const auto result = runProgram(readArgs({"--limit", "3"}));
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "весы не обнаружены\n");
}

// A wait ended by --seconds rather than --limit found no balance all the same.
TEST(TarveloRead, NoReadingBeforeTheRunTimeIsNoBalance) {
  testing::PseudoTerminal line(kCom);
  const auto result = runProgram(readArgs({"--seconds", "2"}));
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "весы не обнаружены\n");
}

TEST(TarveloRead, DeviceThatIsNoTerminalIsNamedAsNoSerialPort) {
  namespace fs = std::filesystem;
  testing::privateConfigHome();
  fs::create_directories(link::comPortLinkDir());
  fs::remove(link::comPortLinkPath(kCom));
  fs::create_symlink("/dev/null", link::comPortLinkPath(kCom));
  const auto result = runProgram(readArgs({"--limit", "2"}));
  fs::remove(link::comPortLinkPath(kCom));
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, "COM31: " + link::comPortLinkPath(kCom).string() +
                            " -> /dev/null — не последовательный порт\nвесы не обнаружены\n");
}

TEST(TarveloRead, NamesTheMissingDeviceOnce) {
  testing::privateConfigHome();
  const auto result = runProgram({TARVELO_READ_PATH, "--com", "250", "--limit", "3"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "COM250: не открывается /dev/ttyS249: нет такого устройства\nвесы не обнаружены\n");
}

// A device this user may not open. Root may open anything, so as root the reader runs
// as nobody, who may pass through the configuration folder but not open the device.
TEST(TarveloRead, PermissionDeniedNamesTheDeviceAndTheDialoutGroupOnce) {
  namespace fs = std::filesystem;
  const fs::path home = testing::privateConfigHome();
  const fs::path device = home / "ttyLocked";
  std::ofstream(device).put('x');
  fs::permissions(device, getuid() == 0 ? fs::perms::owner_read | fs::perms::owner_write
                                        : fs::perms::none);
  fs::permissions(home, fs::perms::others_exec, fs::perm_options::add);
  fs::create_directories(link::comPortLinkDir());
  fs::remove(link::comPortLinkPath(kCom));
  fs::create_symlink(device, link::comPortLinkPath(kCom));
  std::vector<std::string> args = readArgs({"--limit", "3"});
  if (getuid() == 0) {
    args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  }
  const auto result = runProgram(args);
  fs::remove(link::comPortLinkPath(kCom));

  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "COM31: не открывается " + link::comPortLinkPath(kCom).string() + " -> " +
                            device.string() +
                            ": нет доступа; добавьте пользователя в группу dialout (sudo adduser "
                            "$USER dialout) и войдите в систему заново\nвесы не обнаружены\n");
}

// Each refusal names the argument; counts and times of 0, below or beyond range are refused.
TEST(TarveloRead, RefusesBadUsageNamingTheArgument) {
  const struct {
    std::vector<std::string> args;
    const char* named;
  } cases[] = {
      {{"--com", "0"}, "--com: ожидается номер порта от 1 до 255, а не «0»"},
      {{"--com", "3x"}, "--com: "},
      {{}, "не задан --com N"},
      {{"--com", "3", "--limit", "nan"}, "--limit: "},
      {{"--com", "3", "--limit", "1e309"}, "--limit: "},
      {{"--com", "3", "--count", "-1"}, "--count: "},
      {{"--com", "3", "--count", "0"}, "--count: ожидается число показаний от 1 до 2147483647, а не «0»"},
      {{"--com", "3", "--count", "99999999999999999999"}, "--count: "},
      {{"--com", "3", "--seconds", "0"}, "--seconds: "},
      {{"--com", "3", "--seconds", "1e400"}, "--seconds: "},
      {{"--com", "3", "--seconds", "2,5"}, "--seconds: "},
      {{"--com", "3", "--count"}, "--count: не задано значение"},
      {{"--com", "3", "--fast"}, "неизвестный аргумент «--fast»"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{TARVELO_READ_PATH};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto result = runProgram(args);
    EXPECT_EQ(result.status, 1) << c.named;
    EXPECT_TRUE(result.err.starts_with(std::string("tarvelo-read: ") + c.named)) << result.err;
  }
  const auto help = runProgram({TARVELO_READ_PATH, "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("кабель"), std::string::npos);
}

}  // namespace
}  // namespace tarvelo
