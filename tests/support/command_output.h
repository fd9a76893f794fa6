#pragma once

#include <array>
#include <cstdio>
#include <string>

namespace tarvelo::testing_support {

// What a shell command prints on its standard output, and how it ended.
struct CommandOutput {
  std::string text;
  int status;
};

inline CommandOutput commandOutput(const std::string& command) {
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {{}, -1};
  std::string text;
  std::array<char, 4096> buffer;
  for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    text.append(buffer.data(), n);
  return {text, pclose(pipe)};
}

}  // namespace tarvelo::testing_support
