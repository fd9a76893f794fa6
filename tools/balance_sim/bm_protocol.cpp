#include <utility>

#include "balance_protocol.h"
#include "bm_line_encoder.h"

namespace tarvelo::balance_sim {

namespace {

// Streams one text line per period and ignores what it receives.
class BmProtocol final : public BalanceProtocol {
 public:
  BmProtocol(ReadingStream& readings, int decimals, std::string model, std::uint32_t serialNumber,
             std::chrono::milliseconds period)
      : readings_(readings),
        decimals_(decimals),
        model_(std::move(model)),
        serialNumber_(serialNumber),
        period_(period) {}

  speed_t lineSpeed() const override { return B2400; }

  void reset(SimClock::time_point now) override { nextLine_ = now + period_; }

  std::vector<Frame> answer(std::span<const std::uint8_t>) override { return {}; }

  std::optional<SimClock::time_point> nextStreamTime() const override { return nextLine_; }

  std::optional<Frame> stream(SimClock::time_point now) override {
    if (now < nextLine_) return std::nullopt;
    // Keep the rhythm, but do not send a burst to catch up after a stall.
    nextLine_ += period_;
    if (nextLine_ <= now) nextLine_ = now + period_;
    if (readings_.silent()) return std::nullopt;
    const std::string line = encodeBmLine(readings_.next(), decimals_, model_, serialNumber_);
    readings_.reportSent();
    return Frame(line.begin(), line.end());
  }

 private:
  ReadingStream& readings_;
  int decimals_;
  std::string model_;
  std::uint32_t serialNumber_;
  std::chrono::milliseconds period_;
  SimClock::time_point nextLine_{};
};

}  // namespace

std::unique_ptr<BalanceProtocol> makeBmProtocol(ReadingStream& readings, int decimals,
                                                std::string model, std::uint32_t serialNumber,
                                                std::chrono::milliseconds period) {
  return std::make_unique<BmProtocol>(readings, decimals, std::move(model), serialNumber, period);
}

}  // namespace tarvelo::balance_sim
