#pragma once

#include <cstdint>
#include <span>

#include "c_balance.h"
#include "frame_result.h"

namespace tarvelo::link {

// B balance: a byte-by-byte exchange (see b_balance_frame.h). Contact is a
// handshake followed by identification; a failed read drops contact.
class B_balance final : public CBalance {
 public:
  B_balance(int portNumber, std::unique_ptr<PortBackend> backend, Clock& clock)
      : CBalance(portNumber, std::move(backend), clock) {}

  void Poll(WeightReading& places) override;
  void Rearm() override { state_ = InContact; }
  int modelCode() const { return modelCode_; }
  int32_t serialNumber() const { return serialNumber_; }

 private:
  bool ExchangeByte(uint8_t& byte);
  // Exchanges every byte; false at the first failed read.
  bool Exchange(std::span<uint8_t> bytes);
  // Exchanges every byte whatever the reads give.
  void ExchangeIgnoringFailures(std::span<uint8_t> bytes);
  bool Handshake();
  bool Identify();
  FrameResult WeightQuery();

  int modelCode_ = -1;
  int32_t serialNumber_ = 0;
};

}  // namespace tarvelo::link
