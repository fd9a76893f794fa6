#include "tests/support/simulator_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include "link/com_port_path.h"

extern char** environ;

namespace tarvelo::testing {

namespace {

std::filesystem::path makeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvelo-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

std::vector<char*> argvOf(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  return argv;
}

std::string readAll(int fd) {
  std::string text;
  std::array<char, 4096> buffer{};
  ssize_t got = 0;
  while ((got = read(fd, buffer.data(), buffer.size())) > 0) text.append(buffer.data(), static_cast<size_t>(got));
  return text;
}

// A temporary folder removed with everything in it when the process ends.
struct OwnedTempDir {
  std::filesystem::path path = makeTempDir();
  ~OwnedTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

std::filesystem::path privateConfigHome() {
  const char* current = std::getenv("XDG_CONFIG_HOME");
  if (current != nullptr && std::string_view(current).starts_with(std::filesystem::temp_directory_path().string())) {
    return current;
  }
  static const OwnedTempDir home;
  setenv("XDG_CONFIG_HOME", home.path.c_str(), 1);
  return home.path;
}

SimulatorProcess::SimulatorProcess(int com, const std::vector<std::string>& options) {
  privateConfigHome();
  std::vector<std::string> args{TARVELO_SIM_PATH, "--com", std::to_string(com)};
  args.insert(args.end(), options.begin(), options.end());
  int out[2];
  // A socket for its input, so that telling a simulator that has ended fails without SIGPIPE.
  int in[2];
  if (pipe(out) != 0 || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  const auto argv = argvOf(args);
  const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(in[0]);
  input_ = in[1];
  if (spawned != 0) throw std::runtime_error("cannot start the simulator");
  char c = 0;
  while (read(out[0], &c, 1) == 1 && c != '\n') slavePath_ += c;
  close(out[0]);
  // The link is made before the path is printed; wait for it all the same.
  const auto link = link::comPortLinkPath(com);
  for (int i = 0; i < 100 && !std::filesystem::is_symlink(link); ++i) usleep(10'000);
}

SimulatorProcess::~SimulatorProcess() {
  close(input_);
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
}

void SimulatorProcess::tell(const std::string& line) {
  const std::string text = line + '\n';
  if (send(input_, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) {
    throw std::runtime_error("the simulator does not take its input");
  }
}

MissingPort::MissingPort(int com) : com_(com) {
  privateConfigHome();
  std::filesystem::create_directories(link::comPortLinkDir());
  std::filesystem::remove(link::comPortLinkPath(com));
  std::filesystem::create_symlink("/no-such-device", link::comPortLinkPath(com));
}

MissingPort::~MissingPort() {
  std::error_code ignored;
  std::filesystem::remove(link::comPortLinkPath(com_), ignored);
}

std::filesystem::path writeWeightsFile(const std::vector<std::string>& values) {
  static int files = 0;
  const auto path = privateConfigHome() / ("weights-" + std::to_string(++files) + ".txt");
  std::ofstream file(path);
  for (const auto& value : values) file << value << '\n';
  return path;
}

ProgramResult runProgram(const std::vector<std::string>& args) {
  privateConfigHome();
  int out[2];
  int err[2];
  if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  // The pipes only as standard output and error: a server the program leaves running must
  // not hold them open, or the read below never ends.
  for (const int end : {out[0], err[0], out[1], err[1]}) posix_spawn_file_actions_addclose(&actions, end);
  pid_t pid = -1;
  const auto argv = argvOf(args);
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) throw std::runtime_error("cannot start " + args.front());
  ProgramResult result;
  result.out = readAll(out[0]);  // the programs here write little: no deadlock on stderr
  result.err = readAll(err[0]);
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace tarvelo::testing
