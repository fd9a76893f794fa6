#pragma once

#include <array>
#include <cstdint>

#include "bm_balance_line.h"
#include "c_balance.h"

namespace tarvelo::link {

// BM balance: streamed text lines (see bm_balance_line.h). Contact is a CR LF seen
// on the line; a failed read drops it, a malformed line is skipped.
class BM_balance final : public CBalance {
 public:
  BM_balance(int portNumber, std::unique_ptr<PortBackend> backend, Clock& clock)
      : CBalance(portNumber, std::move(backend), clock) {}

  void Poll(WeightReading& places) override;
  void Rearm() override { state_ = InContact; }

 private:
  bool Synchronise();
  // Reads one line byte by byte into `line` and decodes it.
  BmLine ReadLine();

  std::array<char, 4> unit_{};
};

}  // namespace tarvelo::link
