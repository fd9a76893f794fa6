#include <optional>
#include <string_view>

#include "b_balance_encoder.h"
#include "balance_protocol.h"

namespace tarvelo::balance_sim {

namespace {

constexpr std::string_view kPacketWord = "Simple";
constexpr std::uint8_t kHandshakeZero = 0x00;
constexpr std::uint8_t kHandshakeEnd = 0x01;
constexpr std::uint8_t kHandshakeEndAnswer = 0x02;
constexpr std::uint8_t kIdleAnswer = 0x00;
constexpr std::uint8_t kProbeCommand = 0xA5;
constexpr std::uint8_t kIdentityCommand = 0x7C;  // '|'
constexpr std::size_t kCommandPosition = kPacketWord.size();
constexpr std::size_t kLastPosition = kBFrameBytes - 1;

// Byte-for-byte exchange: each received byte is answered with exactly one byte. A packet is
// "Simple", a command and one more byte; its eight answers are the frame chosen by the previous
// packet's command.
class BProtocol final : public BalanceProtocol {
 public:
  BProtocol(ReadingStream& readings, int decimals, std::uint8_t modelCode,
            std::uint32_t serialNumber)
      : readings_(readings),
        decimals_(decimals),
        modelCode_(modelCode),
        serialNumber_(serialNumber) {}

  speed_t lineSpeed() const override { return B19200; }

  void reset(SimClock::time_point) override {
    position_ = 0;
    nextFrame_ = FrameKind::Weight;
    current_.reset();
  }

  std::vector<Frame> answer(std::span<const std::uint8_t> received) override {
    Frame answers;
    for (const std::uint8_t byte : received) {
      if (readings_.silent()) break;
      answers.push_back(answerByte(byte));
    }
    if (answers.empty()) return {};
    return {answers};
  }

 private:
  enum class FrameKind { Probe, Identity, Weight };

  std::uint8_t answerByte(std::uint8_t byte) {
    if (position_ == 0) return answerOutsidePacket(byte);
    if (position_ < kCommandPosition) {
      if (byte != static_cast<std::uint8_t>(kPacketWord[position_])) {
        position_ = 0;
        return kIdleAnswer;
      }
      return (*current_)[position_++];
    }
    if (position_ == kCommandPosition) {
      command_ = byte;
      return (*current_)[position_++];
    }
    const std::uint8_t last = (*current_)[kLastPosition];
    if (nextFrame_ == FrameKind::Weight) readings_.reportSent();
    nextFrame_ = frameKindFor(command_);
    current_.reset();
    position_ = 0;
    return last;
  }

  std::uint8_t answerOutsidePacket(std::uint8_t byte) {
    if (byte == kHandshakeZero) return kIdleAnswer;
    if (byte == kHandshakeEnd) return kHandshakeEndAnswer;
    if (byte != static_cast<std::uint8_t>(kPacketWord[0])) return kIdleAnswer;
    // An aborted packet leaves the frame as it was; the next packet repeats it.
    if (!current_) current_ = buildFrame(nextFrame_);
    position_ = 1;
    return (*current_)[0];
  }

  static FrameKind frameKindFor(std::uint8_t command) {
    if (command == kProbeCommand) return FrameKind::Probe;
    if (command == kIdentityCommand) return FrameKind::Identity;
    return FrameKind::Weight;
  }

  BFrame buildFrame(FrameKind kind) {
    switch (kind) {
      case FrameKind::Probe:
        return encodeBProbeFrame();
      case FrameKind::Identity:
        return encodeBIdentityFrame(modelCode_, serialNumber_);
      case FrameKind::Weight:
        break;
    }
    return encodeBWeightFrame(readings_.next(), decimals_);
  }

  ReadingStream& readings_;
  int decimals_;
  std::uint8_t modelCode_;
  std::uint32_t serialNumber_;
  std::size_t position_ = 0;
  std::uint8_t command_ = 0;
  FrameKind nextFrame_ = FrameKind::Weight;
  std::optional<BFrame> current_;
};

}  // namespace

std::unique_ptr<BalanceProtocol> makeBProtocol(ReadingStream& readings, int decimals,
                                               std::uint8_t modelCode, std::uint32_t serialNumber) {
  return std::make_unique<BProtocol>(readings, decimals, modelCode, serialNumber);
}

}  // namespace tarvelo::balance_sim
