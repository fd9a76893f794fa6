#include "reader_commands.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "tag_line_encoder.h"

namespace tarvelo::balance_sim {

namespace {

constexpr std::size_t kReadChunkBytes = 4096;
constexpr std::string_view kTag = "tag ";
constexpr std::string_view kLine = "line ";
constexpr std::string_view kUnplug = "unplug";
constexpr std::string_view kPlug = "plug";

bool readable(int fd) {
  pollfd watched{.fd = fd, .events = POLLIN, .revents = 0};
  return poll(&watched, 1, 0) > 0;
}

// `text` with the escapes \r, \n and \\ made CR, LF and a backslash.
std::string unescaped(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char escaped = text[++i];
      bytes += escaped == 'r' ? '\r' : escaped == 'n' ? '\n' : escaped;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

}  // namespace

pollfd ReaderCommands::watch() const {
  return {.fd = ended_ ? -1 : STDIN_FILENO, .events = POLLIN, .revents = 0};
}

void ReaderCommands::runArrived() {
  // Read only what poll says is there: standard input stays blocking, as its owner set it.
  std::array<char, kReadChunkBytes> chunk{};
  while (!ended_ && readable(STDIN_FILENO)) {
    const ssize_t count = read(STDIN_FILENO, chunk.data(), chunk.size());
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      ended_ = true;
      break;
    }
    pending_.append(chunk.data(), static_cast<std::size_t>(count));
  }
  for (auto end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
    std::string_view command(pending_.data(), end);
    if (command.ends_with('\r')) command.remove_suffix(1);
    run(command);
    pending_.erase(0, end + 1);
  }
}

void ReaderCommands::run(std::string_view command) {
  if (command.starts_with(kTag) && isTagDigits(command.substr(kTag.size()))) {
    reader_.send(encodeTagLine(command.substr(kTag.size())));
  } else if (command.starts_with(kLine)) {
    reader_.send(unescaped(command.substr(kLine.size())));
  } else if (command == kUnplug) {
    reader_.unplug();
  } else if (command == kPlug) {
    reader_.plug();
  } else {
    std::fprintf(stderr, "tarvelo-balance-sim: not a reader command: %.*s\n",
                 static_cast<int>(command.size()), command.data());
  }
}

}  // namespace tarvelo::balance_sim
