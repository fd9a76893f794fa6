#include "get_w.h"

#include "b_balance.h"
#include "bm_balance.h"
#include "tsk.h"

namespace tarvelo::link {

namespace {

constexpr int kPhaseSwitch = 1;
constexpr int kPhasePoll = 2;
// A protocol that has not delivered for this long since its last sign of contact
// gives way to the next one.
constexpr uint32_t kContactWindowMs = 1500;
// A Poll that leaves the protocol out of contact may have failed at once (a port
// that cannot be opened, a device that is gone): pause so the search never spins.
constexpr uint32_t kOutOfContactPauseMs = 20;

}  // namespace

GetW::GetW(int portNumber, PortFactory makePort, Clock& clock, const StopSignal* stop,
           ProtocolMemory* memory)
    : portNumber_(portNumber),
      makePort_(std::move(makePort)),
      clock_(clock),
      stop_(stop),
      memory_(memory) {
  if (memory_ != nullptr) remembered_ = memory_->recall(portNumber_);
  if (remembered_ && !isProtocolIndex(*remembered_)) remembered_.reset();
  // The first switch steps onto the remembered protocol.
  if (remembered_) protocolIndex_ = (*remembered_ + kProtocolCount - 1) % kProtocolCount;
}

void GetW::RememberProtocol() {
  if (memory_ == nullptr || remembered_ == protocolIndex_) return;
  memory_->remember(portNumber_, protocolIndex_);
  remembered_ = protocolIndex_;
}

void GetW::SwitchProtocol() {
  protocolIndex_ = (protocolIndex_ + 1) % kProtocolCount;
  protocol_.reset();  // closes the port before the next protocol opens it
  switch (protocolIndex_) {
    case ProtocolTsk:
      protocol_ = std::make_unique<TSK>(portNumber_, makePort_(), clock_);
      break;
    case ProtocolB:
      protocol_ = std::make_unique<B_balance>(portNumber_, makePort_(), clock_);
      break;
    default:
      protocol_ = std::make_unique<BM_balance>(portNumber_, makePort_(), clock_);
      break;
  }
}

bool GetW::PollWindow(WeightReading& places) {
  uint32_t mark = clock_.tickCount();
  while (clock_.tickCount() - mark < kContactWindowMs) {
    if (stop_ != nullptr && stop_->raised()) return false;
    protocol_->Poll(places);
    switch (protocol_->state()) {
      case InContact:
        mark = clock_.tickCount();
        break;
      case ReadingReady:
        protocol_->Rearm();
        return true;
      default:
        clock_.sleepMs(kOutOfContactPauseMs);
        break;
    }
  }
  return false;
}

bool GetW::Acquire(WeightReading& places) {
  if (phase_ == kPhaseSwitch) {
    SwitchProtocol();
    phase_ = kPhasePoll;
    return false;
  }
  const bool delivered = PollWindow(places);
  if (delivered) {
    RememberProtocol();
  } else {
    phase_ = kPhaseSwitch;
  }
  return delivered;
}

}  // namespace tarvelo::link
