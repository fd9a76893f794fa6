#include "b_balance.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "b_balance_frame.h"

namespace tarvelo::link {

namespace {

constexpr uint32_t kBBaud = 19200;
constexpr int kHandshakeTries = 40;
constexpr int kHandshakeZerosNeeded = 15;
constexpr uint8_t kHandshakeZero = 0x00;
constexpr uint8_t kHandshakeEnd = 0x01;
constexpr uint8_t kHandshakeEndAnswer = 0x02;
constexpr int kIdentifyAttempts = 20;
constexpr uint32_t kBadProbePauseMs = 100;

constexpr std::array<uint8_t, kBProbeSize> kProbe{'S', 'i', 'm', 'p', 'l', 'e', 0xA5, 0x01,
                                                  'S', 'i', 'm', 'p', 'l', 'e', 0x00, 0x00};
constexpr std::array<uint8_t, kBFrameSize> kSelectIdentity{'S', 'i', 'm', 'p', 'l', 'e', 0x7C, 0x01};
constexpr std::array<uint8_t, kBFrameSize> kReadIdentity{'S', 'i', 'm', 'p', 'l', 'e', 0x00, 0x01};
constexpr std::array<uint8_t, kBFrameSize> kWeightQuery{'S', 'i', 'm', 'p', 'l', 'e', 0x47, 0x01};

}  // namespace

bool B_balance::ExchangeByte(uint8_t& byte) {
  Write(&byte, 1);
  return Read(&byte, 1) == ReadOk;
}

bool B_balance::Exchange(std::span<uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [this](uint8_t& byte) { return ExchangeByte(byte); });
}

void B_balance::ExchangeIgnoringFailures(std::span<uint8_t> bytes) {
  for (uint8_t& byte : bytes) ExchangeByte(byte);
}

bool B_balance::Handshake() {
  int zeros = 0;
  for (int i = 0; i < kHandshakeTries && zeros < kHandshakeZerosNeeded; ++i) {
    uint8_t byte = kHandshakeZero;
    if (!ExchangeByte(byte)) return false;
    zeros = byte == kHandshakeZero ? zeros + 1 : 0;
  }
  if (zeros < kHandshakeZerosNeeded) return false;
  uint8_t end = kHandshakeEnd;
  return ExchangeByte(end) && end == kHandshakeEndAnswer;
}

bool B_balance::Identify() {
  for (int attempt = 0; attempt < kIdentifyAttempts; ++attempt) {
    auto probe = kProbe;
    ExchangeIgnoringFailures(probe);
    const BProbeAnswer answer = checkBProbeAnswer(probe);
    if (answer == BProbeAnswer::BadSums) clock_.sleepMs(kBadProbePauseMs);
    if (answer != BProbeAnswer::Recognised) continue;

    auto select = kSelectIdentity;
    if (!Exchange(select)) return false;
    auto identity = kReadIdentity;
    if (!Exchange(identity)) return false;
    if (const auto decoded = decodeBIdentity(identity)) {
      modelCode_ = decoded->modelCode;
      serialNumber_ = decoded->serialNumber;
      return true;
    }
  }
  return false;
}

FrameResult B_balance::WeightQuery() {
  auto answer = kWeightQuery;
  if (!Exchange(answer)) {
    return frameWithCode(kBReadFailed);
  }
  return decodeBWeight(answer);
}

void B_balance::Poll(WeightReading& places) {
  switch (state_) {
    case PortClosed:
      if (!Open(portNumber_, kBBaud, kParityNone)) state_ = NoContact;
      modelCode_ = -1;
      return;
    case NoContact:
      if (Handshake() && Identify()) state_ = InContact;
      return;
    case InContact: {
      const FrameResult frame = WeightQuery();
      if (frame.code == kBOk) {
        places.weight = frame.weight;
        places.stable = frame.stable;
        setUnitText(places, bUnitText(frame.unitIndex));
        if (modelCode_ >= 0) {
          places.model = {};
          const std::string name = bModelName(modelCode_);
          std::strncpy(places.model.data(), name.c_str(), places.model.size() - 1);
          places.serialNumber = serialNumber_;
        }
        state_ = ReadingReady;
      } else if (frame.code == kBReadFailed) {
        state_ = NoContact;
      }
      return;
    }
    default:
      return;
  }
}

}  // namespace tarvelo::link
