#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarvelo::testing {

// Gives this test process a configuration folder of its own, so COM port links
// never touch the user's, and returns it.
std::filesystem::path privateConfigHome();

// tarvelo-balance-sim running as a child process on COM port `com`; killed when
// this object goes.
class SimulatorProcess {
 public:
  SimulatorProcess(int com, const std::vector<std::string>& options);
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  const std::string& slavePath() const { return slavePath_; }

 private:
  pid_t pid_ = -1;
  std::string slavePath_;
};

// A weights file with one value a line, in a fresh temporary folder.
std::filesystem::path writeWeightsFile(const std::vector<std::string>& values);

// Runs a program to its end; gives its exit status, standard output and standard error.
struct ProgramResult {
  int status = -1;
  std::string out;
  std::string err;
};
ProgramResult runProgram(const std::vector<std::string>& argv);

}  // namespace tarvelo::testing
