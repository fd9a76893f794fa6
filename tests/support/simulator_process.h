#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarvelo::testing {

#ifndef _WIN32
// Gives this test process a configuration folder of its own, so COM port links
// never touch the user's, and returns it. A folder of the tests' own that is already
// set (a SettingsSandbox's) is kept.
std::filesystem::path privateConfigHome();
#endif

// tarvelo-balance-sim running as a child process on COM port `com`; stopped when this
// object goes. Under Wine, the Linux simulator on a pseudo-terminal that the Wine prefix
// maps to the COM port.
class SimulatorProcess {
 public:
  SimulatorProcess(int com, const std::vector<std::string>& options);
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  const std::string& slavePath() const { return slavePath_; }

#ifndef _WIN32
  // Writes `line` to the simulator's standard input (see --tag-reader-stdin).
  void tell(const std::string& line);
#endif

 private:
#ifdef _WIN32
  std::filesystem::path control_;
#else
  pid_t pid_ = -1;
  int input_ = -1;
#endif
  std::string slavePath_;
};

// COM port `com` with no device behind it while this object lives.
class MissingPort {
 public:
  explicit MissingPort(int com);
  ~MissingPort();
  MissingPort(const MissingPort&) = delete;
  MissingPort& operator=(const MissingPort&) = delete;

 private:
  int com_;
};

// A weights file with one value a line, in a fresh temporary folder.
std::filesystem::path writeWeightsFile(const std::vector<std::string>& values);

// Runs a program to its end; gives its exit status, standard output and standard error.
struct ProgramResult {
  int status = -1;
  std::string out;
  std::string err;
};
// Under Wine the program is a Linux one, named by its Linux path.
ProgramResult runProgram(const std::vector<std::string>& argv);

}  // namespace tarvelo::testing
