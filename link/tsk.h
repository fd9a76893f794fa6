#pragma once

#include "c_balance.h"
#include "frame_result.h"

namespace tarvelo::link {

// TSK balance: one request, one 8-byte reply per query (see tsk_frame.h).
// Three failed queries in a row drop contact; in the search state they reopen the port.
class TSK final : public CBalance {
 public:
  TSK(int portNumber, std::unique_ptr<PortBackend> backend, Clock& clock)
      : CBalance(portNumber, std::move(backend), clock) {}

  void Poll(WeightReading& places) override;
  void Rearm() override { state_ = InContact; }
  int errorCount() const { return errorCount_; }

 private:
  FrameResult Query();
  int errorCount_ = 0;
};

}  // namespace tarvelo::link
