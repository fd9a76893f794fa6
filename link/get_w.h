#pragma once

#include <functional>
#include <memory>

#include "c_balance.h"
#include "clock.h"
#include "reading_source.h"
#include "stop_signal.h"

namespace tarvelo::link {

using PortFactory = std::function<std::unique_ptr<PortBackend>()>;

enum ProtocolIndex : int { ProtocolTsk = 0, ProtocolB = 1, ProtocolBm = 2 };

// The acquisition driver: tries the three protocols on one port in the rotation
// BM_balance, TSK, B_balance, ... until one makes contact, and keeps using it while
// readings keep coming. Each run has its own driver, so every run searches anew.
class GetW final : public ReadingSource {
 public:
  GetW(int portNumber, PortFactory makePort, Clock& clock, const StopSignal* stop = nullptr);

  bool Acquire(WeightReading& places) override;

  int protocolIndex() const { return protocolIndex_; }
  const CBalance* protocol() const { return protocol_.get(); }

 private:
  void SwitchProtocol();
  bool PollWindow(WeightReading& places);

  int portNumber_;
  int phase_ = 1;
  std::unique_ptr<CBalance> protocol_;
  int protocolIndex_ = ProtocolB;
  PortFactory makePort_;
  Clock& clock_;
  const StopSignal* stop_;
};

}  // namespace tarvelo::link
