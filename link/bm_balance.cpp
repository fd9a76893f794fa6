#include "bm_balance.h"

#include <algorithm>
#include <span>

namespace tarvelo::link {

namespace {

constexpr uint32_t kBmBaud = 2400;
constexpr int kSyncAttempts = 32;
// TSK and B balances send nothing unasked: a line silent for this many one-byte
// time-outs in a row carries no BM balance, so the search moves on in about 2 s
// instead of spending all 32 attempts (32 s) on it.
constexpr int kSilentReadsToGiveUp = 2;
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;

}  // namespace

bool BM_balance::Synchronise() {
  int silentReads = 0;
  // One byte of the search; a byte that arrived with a line error still breaks the silence.
  const auto readByte = [this, &silentReads](uint8_t& byte) {
    const int result = Read(&byte, 1);
    silentReads = result == ReadTimedOut || result == ReadPortClosed ? silentReads + 1 : 0;
    return result == ReadOk;
  };
  for (int attempt = 0; attempt < kSyncAttempts && silentReads < kSilentReadsToGiveUp; ++attempt) {
    uint8_t byte = 0;
    if (!readByte(byte) || byte != kCr) continue;
    if (readByte(byte) && byte == kLf) return true;
  }
  return false;
}

BmLine BM_balance::ReadLine() {
  std::array<uint8_t, kBmLineCapacity> line{};
  std::size_t length = 0;
  while (length < line.size()) {
    if (Read(&line[length], 1) != ReadOk) {
      BmLine failed;
      failed.frame.code = kBmReadFailed;
      return failed;
    }
    ++length;
    if (bmLineComplete(std::span(line).first(length))) break;
  }
  return decodeBmLine(std::span(line).first(length));
}

void BM_balance::Poll(WeightReading& places) {
  switch (state_) {
    case PortClosed:
      if (!Open(portNumber_, kBmBaud, kParityEven)) state_ = NoContact;
      return;
    case NoContact:
      if (Synchronise()) state_ = InContact;
      return;
    case InContact: {
      const BmLine line = ReadLine();
      if (line.frame.code == kBmOk) {
        unit_ = line.unit;
        places.weight = line.frame.weight;
        places.stable = line.frame.stable;
        places.serialNumber = line.frame.serialNumber;
        std::copy_n(unit_.begin(), 3, places.unit.begin());
        places.model = line.frame.model;
        state_ = ReadingReady;
      } else if (line.frame.code == kBmReadFailed) {
        state_ = NoContact;
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace tarvelo::link
