#include <algorithm>
#include <array>

#include "balance_protocol.h"
#include "tsk_encoder.h"

namespace tarvelo::balance_sim {

namespace {

// Answers each weight request with one reply frame.
class TskProtocol final : public BalanceProtocol {
 public:
  TskProtocol(ReadingStream& readings, int decimals) : readings_(readings), decimals_(decimals) {}

  speed_t lineSpeed() const override { return B9600; }

  void reset(SimClock::time_point) override { window_.clear(); }

  std::vector<Frame> answer(std::span<const std::uint8_t> received) override {
    std::vector<Frame> replies;
    for (const std::uint8_t byte : received) {
      if (window_.size() == kTskWeightRequest.size()) window_.erase(window_.begin());
      window_.push_back(byte);
      if (!std::equal(window_.begin(), window_.end(), kTskWeightRequest.begin(),
                      kTskWeightRequest.end())) {
        continue;
      }
      window_.clear();
      if (readings_.silent()) continue;
      const TskFrame frame = encodeTskFrame(readings_.next(), decimals_);
      readings_.reportSent();
      replies.emplace_back(frame.begin(), frame.end());
    }
    return replies;
  }

 private:
  ReadingStream& readings_;
  int decimals_;
  std::vector<std::uint8_t> window_;
};

}  // namespace

std::unique_ptr<BalanceProtocol> makeTskProtocol(ReadingStream& readings, int decimals) {
  return std::make_unique<TskProtocol>(readings, decimals);
}

}  // namespace tarvelo::balance_sim
