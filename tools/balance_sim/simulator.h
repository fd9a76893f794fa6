#pragma once

#include "options.h"

namespace tarvelo::balance_sim {

// Runs the balance, and the tag reader when one is asked for, until SIGINT, SIGTERM or
// SIGHUP; returns the exit status.
int runSimulator(const Options& options);

}  // namespace tarvelo::balance_sim
