#include "tsk.h"

#include <cstdio>

#include "diagnostics.h"
#include "tsk_frame.h"

namespace tarvelo::link {

namespace {

constexpr uint32_t kTskBaud = 9600;
constexpr uint32_t kBeforeStepMs = 10;
constexpr uint32_t kBeforeQueryMs = 10;
constexpr uint32_t kAfterRequestMs = 50;
constexpr int kMaxFailedQueries = 2;  // the third failure in a row drops contact

}  // namespace

FrameResult TSK::Query() {
  clock_.sleepMs(kBeforeQueryMs);
  if (Write(kTskRequest.data(), static_cast<int>(kTskRequest.size()))) {
    clock_.sleepMs(kAfterRequestMs);
  }
  std::array<uint8_t, kTskReplySize> reply{};
  if (Read(reply.data(), static_cast<int>(reply.size())) != ReadOk) {
    return frameWithCode(kTskNoReply);
  }
  return decodeTskReply(reply);
}

void TSK::Poll(WeightReading& places) {
  switch (state_) {
    case PortClosed:
      if (!Open(portNumber_, kTskBaud, kParityEven)) state_ = NoContact;
      errorCount_ = 0;
      return;
    case NoContact: {
      clock_.sleepMs(kBeforeStepMs);
      const FrameResult frame = Query();
      if (frame.code == kTskOk || frame.code == kTskNoWeight) {
        // The reply only proves contact; its reading is not delivered.
        state_ = InContact;
        errorCount_ = 0;
      } else if (++errorCount_ > kMaxFailedQueries) {
        state_ = PortClosed;
        errorCount_ = 0;
      }
      return;
    }
    case InContact: {
      clock_.sleepMs(kBeforeStepMs);
      const FrameResult frame = Query();
      if (frame.code == kTskOk) {
        places.weight = frame.weight;
        places.stable = frame.stable;
        setUnitText(places, tskUnitText(frame.unitIndex));
        state_ = ReadingReady;
        errorCount_ = 0;
      } else if (frame.code == kTskNoWeight) {
        errorCount_ = 0;
      } else if (++errorCount_ > kMaxFailedQueries) {
        state_ = NoContact;
        std::fprintf(diagnosticStream(), "Error: %d\n", frame.code);
        std::fflush(diagnosticStream());
        errorCount_ = 0;
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace tarvelo::link
