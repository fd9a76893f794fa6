#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "ralvo_com_a.h"
#include "weight_reading.h"

namespace tarvelo::link {

// States shared by every balance protocol.
enum BalanceState : uint8_t {
  PortClosed = 0,
  NoContact = 1,     // port open, no balance answering yet
  InContact = 2,     // the balance answers; ready to read
  ReadingReady = 3,  // the last Poll delivered a reading, not yet taken
};

// A balance protocol: a small state machine on the serial port that one Poll
// advances by one step. On delivery Poll writes the reading into the places and
// the state becomes ReadingReady; Rearm takes it back to InContact.
class CBalance : public RalvoComA {
 public:
  CBalance(int portNumber, std::unique_ptr<PortBackend> backend, Clock& clock)
      : RalvoComA(std::move(backend), clock), portNumber_(portNumber) {}

  virtual void Poll(WeightReading& /*places*/) {}
  virtual void Rearm() {}
  uint8_t state() const { return state_; }

 protected:
  // The unit text of a delivered reading, at most 3 characters and a zero byte.
  static void setUnitText(WeightReading& places, const char* text) {
    places.unit = {};
    std::strncpy(places.unit.data(), text, places.unit.size() - 1);
  }

  uint8_t state_ = PortClosed;
  int portNumber_;
};

}  // namespace tarvelo::link
