#include <cmath>
#include <cstdlib>
#include <cstring>

#include "link/tsk_frame.h"

using namespace tarvelo::link;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kTskReplySize) return 0;
  std::array<uint8_t, kTskReplySize> reply{};
  std::memcpy(reply.data(), data, reply.size());
  const FrameResult result = decodeTskReply(reply);
  // A reading only ever comes from a frame whose CRC checks.
  if (result.code == kTskOk && crc16CcittFalse(reply) != 0) std::abort();
  if (result.code == kTskOk && !std::isfinite(result.weight)) std::abort();
  if (std::strlen(tskUnitText(result.unitIndex)) > 3) std::abort();  // must fit the unit field
  return 0;
}
