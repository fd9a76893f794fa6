#include "tests/support/simulator_process.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "link/wide_text.h"

// The simulator and the tools the tests read results with are Linux programs, which a
// Windows program under Wine starts through a script of tests/wine/. Wine gives no handle
// to a Linux process, so the two talk through files in a control folder. For a balance
// (balance_on_com.sh, which maps the simulator's terminal to the COM port): "ready" holds
// the terminal once the port is there, "stop" asks the script to end, "stopped" says the
// port is gone. For a program run to its end (unix_program.sh): "out", "err" and, last,
// "status".

namespace tarvelo::testing {

namespace fs = std::filesystem;

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kStopLimit = std::chrono::seconds(5);
constexpr auto kProgramLimit = std::chrono::seconds(60);

// Wine's own conversions between its Windows names and the machine's.
using ToUnix = char* (*)(const wchar_t*);
using ToWindows = wchar_t* (*)(const char*);

template <typename Function>
Function wineFunction(const char* name) {
  auto* function = reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
  if (function == nullptr) throw std::runtime_error("the simulated balances need Wine");
  return function;
}

std::string unixName(const fs::path& path) {
  char* name = wineFunction<ToUnix>("wine_get_unix_file_name")(fs::absolute(path).wstring().c_str());
  if (name == nullptr) throw std::runtime_error("no Unix name for " + path.string());
  std::string result(name);
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

std::wstring windowsName(const char* unixPath) {
  wchar_t* name = wineFunction<ToWindows>("wine_get_dos_file_name")(unixPath);
  if (name == nullptr) throw std::runtime_error(std::string("no Windows name for ") + unixPath);
  std::wstring result(name);
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

std::wstring quoted(const std::string& text) { return L"\"" + link::wideText(text) + L"\""; }

std::string firstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string contents(const fs::path& file) {
  std::ostringstream text;
  text << std::ifstream(file, std::ios::binary).rdbuf();
  return text.str();
}

bool waitFor(const fs::path& file, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!fs::exists(file)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

// A fresh control folder of this process, named after `what`: one for each script, as a
// balance may start on a port while the one it replaces is still stopping.
fs::path controlFolder(const std::string& what) {
  static int folders = 0;
  const fs::path folder = fs::temp_directory_path() / ("tarvelo-" + what + "-" + std::to_string(GetCurrentProcessId()) +
                                                       "-" + std::to_string(++folders));
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

// Starts `script` (a Unix path) with the control folder and `args`; an argument that
// names a file here is given as the file's Unix path.
void startScript(const char* script, const fs::path& control, const std::vector<std::string>& args) {
  std::wstring command = L"\"" + windowsName(script) + L"\" " + quoted(unixName(control));
  for (const std::string& arg : args) {
    command += L" " + quoted(fs::exists(fs::u8path(arg)) ? unixName(fs::u8path(arg)) : arg);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    throw std::runtime_error(std::string("cannot start ") + script);
  }
}

}  // namespace

SimulatorProcess::SimulatorProcess(int com, const std::vector<std::string>& options)
    : control_(controlFolder("balance-" + std::to_string(com))) {
  std::vector<std::string> args{std::to_string(com)};
  args.insert(args.end(), options.begin(), options.end());
  startScript(TARVELO_WINE_BALANCE_SCRIPT, control_, args);
  if (!waitFor(control_ / "ready", kStartLimit)) {
    throw std::runtime_error("no balance on COM" + std::to_string(com) + ": " + contents(control_ / "err"));
  }
  slavePath_ = firstLine(control_ / "ready");
}

SimulatorProcess::~SimulatorProcess() {
  std::ofstream(control_ / "stop").close();
  waitFor(control_ / "stopped", kStopLimit);
  std::error_code ignored;
  fs::remove_all(control_, ignored);
}

// The tests' ports are above those Wine maps to the machine's serial ports, and only a
// simulator maps one.
MissingPort::MissingPort(int com) : com_(com) {}

MissingPort::~MissingPort() = default;

std::filesystem::path writeWeightsFile(const std::vector<std::string>& values) {
  // One folder a test process, removed when it ends.
  static const struct WeightsDir {
    fs::path path = fs::temp_directory_path() / ("tarvelo-weights-" + std::to_string(GetCurrentProcessId()));
    WeightsDir() { fs::create_directories(path); }
    ~WeightsDir() {
      std::error_code ignored;
      fs::remove_all(path, ignored);
    }
  } dir;
  static int files = 0;
  const fs::path path = dir.path / ("weights-" + std::to_string(++files) + ".txt");
  std::ofstream file(path);
  for (const auto& value : values) file << value << '\n';
  return path;
}

ProgramResult runProgram(const std::vector<std::string>& args) {
  const fs::path control = controlFolder("program");
  startScript(TARVELO_WINE_PROGRAM_SCRIPT, control, args);
  ProgramResult result;
  if (waitFor(control / "status", kProgramLimit)) {
    result.status = std::stoi(firstLine(control / "status"));
    result.out = contents(control / "out");
    result.err = contents(control / "err");
  }
  std::error_code ignored;
  fs::remove_all(control, ignored);
  return result;
}

}  // namespace tarvelo::testing
