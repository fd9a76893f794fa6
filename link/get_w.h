#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "c_balance.h"
#include "clock.h"
#include "protocol_memory.h"
#include "reading_source.h"
#include "stop_signal.h"

namespace tarvelo::link {

using PortFactory = std::function<std::unique_ptr<PortBackend>()>;

// The acquisition driver: tries the three protocols on one port in the rotation
// BM_balance, TSK, B_balance, ... until one makes contact, and keeps using it while
// readings keep coming. With a memory, the search starts at the protocol that last
// delivered on the port and goes on in the same rotation; each protocol that
// delivers is remembered.
class GetW final : public ReadingSource {
 public:
  GetW(int portNumber, PortFactory makePort, Clock& clock, const StopSignal* stop = nullptr,
       ProtocolMemory* memory = nullptr);

  bool Acquire(WeightReading& places) override;

  int protocolIndex() const { return protocolIndex_; }
  const CBalance* protocol() const { return protocol_.get(); }

 private:
  void SwitchProtocol();
  bool PollWindow(WeightReading& places);
  void RememberProtocol();

  int portNumber_;
  int phase_ = 1;
  std::unique_ptr<CBalance> protocol_;
  int protocolIndex_ = ProtocolB;
  PortFactory makePort_;
  Clock& clock_;
  const StopSignal* stop_;
  ProtocolMemory* memory_;
  std::optional<int> remembered_;
};

}  // namespace tarvelo::link
