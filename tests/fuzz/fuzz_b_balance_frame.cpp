#include <cmath>
#include <cstdlib>
#include <cstring>

#include "link/b_balance_frame.h"

using namespace tarvelo::link;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kBProbeSize) return 0;
  std::array<uint8_t, kBFrameSize> frame{};
  std::memcpy(frame.data(), data, frame.size());
  const FrameResult weight = decodeBWeight(frame);
  // A reading only ever comes from a frame whose window sums are zero.
  if (weight.code == kBOk && !bWindowSumsZero(frame, 0)) std::abort();
  if (weight.code == kBOk && !std::isfinite(weight.weight)) std::abort();
  if (std::strlen(bUnitText(weight.unitIndex)) > 3) std::abort();  // must fit the unit field
  if (const auto identity = decodeBIdentity(frame)) {
    if (bModelName(identity->modelCode).size() > 15) std::abort();
  }
  std::array<uint8_t, kBProbeSize> probe{};
  std::memcpy(probe.data(), data, probe.size());
  checkBProbeAnswer(probe);
  return 0;
}
