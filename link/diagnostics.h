#pragma once

#include <cstdio>

namespace tarvelo::link {

// Where the protocols write their one diagnostic (a TSK balance lost: "Error: N"):
// standard output, unless the program chooses another stream before a run starts.
std::FILE* diagnosticStream();
void setDiagnosticStream(std::FILE* stream);

}  // namespace tarvelo::link
