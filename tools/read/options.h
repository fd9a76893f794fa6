#pragma once

#include <string>
#include <variant>

namespace tarvelo::read {

struct Options {
  int port = 0;
  long count = 0;       // 0: no limit
  double seconds = 0;   // 0: no limit
  double limitSeconds = 0;
  bool identity = false;
};

// What is wrong with the command line, naming the argument.
struct UsageError {
  std::string text;
};

// The options of the command line; numbers are read with "." whatever the locale.
std::variant<Options, UsageError> parseOptions(int argc, char** argv);

}  // namespace tarvelo::read
