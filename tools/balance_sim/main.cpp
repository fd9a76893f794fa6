#include <cstdio>
#include <exception>

#include "options.h"
#include "simulator.h"

int main(int argc, char** argv) {
  using namespace tarvelo::balance_sim;
  try {
    const Options options = parseOptions(argc, argv);
    if (options.showHelp) {
      std::fputs(usageText(), stdout);
      return 0;
    }
    return runSimulator(options);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tarvelo-balance-sim: %s\n", error.what());
    return 1;
  }
}
