#include "diagnostics.h"

#include <atomic>

namespace tarvelo::link {

namespace {

std::atomic<std::FILE*> stream{nullptr};  // nothing chosen: standard output

}  // namespace

std::FILE* diagnosticStream() {
  std::FILE* chosen = stream.load(std::memory_order_acquire);
  return chosen != nullptr ? chosen : stdout;
}

void setDiagnosticStream(std::FILE* chosen) { stream.store(chosen, std::memory_order_release); }

}  // namespace tarvelo::link
