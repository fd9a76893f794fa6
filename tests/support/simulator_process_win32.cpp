#include "tests/support/simulator_process.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

// The simulator is a Linux program on a pseudo-terminal; a Windows program under Wine
// starts it through balance_on_com.sh, which maps the terminal to the COM port. Wine
// gives no handle to a Linux process, so the two talk through files in a control folder:
// "ready" holds the terminal once the port is there, "stop" asks the script to end,
// "stopped" says the port is gone.

namespace tarvelo::testing {

namespace fs = std::filesystem;

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr auto kStopLimit = std::chrono::seconds(5);

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

std::wstring quoted(const std::string& text) {
  const fs::path wide = fs::u8path(text);
  return L"\"" + wide.wstring() + L"\"";
}

std::string firstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

bool waitFor(const fs::path& file, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!fs::exists(file)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(kPoll);
  }
  return true;
}

}  // namespace

SimulatorProcess::SimulatorProcess(int com, const std::vector<std::string>& options)
    : control_(fs::temp_directory_path() /
               ("tarvelo-balance-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(com))) {
  fs::remove_all(control_);
  fs::create_directories(control_);
  std::wstring command = windowsName(TARVELO_WINE_BALANCE_SCRIPT);
  command = L"\"" + command + L"\" " + quoted(unixName(control_)) + L" " + std::to_wstring(com);
  // A file the simulator reads is named by its Unix path.
  for (const std::string& option : options) {
    command += L" " + quoted(fs::exists(fs::u8path(option)) ? unixName(fs::u8path(option)) : option);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    throw std::runtime_error("cannot start balance_on_com.sh");
  }
  if (!waitFor(control_ / "ready", kStartLimit)) {
    std::ostringstream reason;
    reason << "no balance on COM" << com << ": " << std::ifstream(control_ / "err").rdbuf();
    throw std::runtime_error(reason.str());
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

}  // namespace tarvelo::testing
