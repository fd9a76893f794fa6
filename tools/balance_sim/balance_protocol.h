#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "options.h"
#include "reading_stream.h"

namespace tarvelo::balance_sim {

using Frame = std::vector<std::uint8_t>;
using SimClock = std::chrono::steady_clock;

// How one balance model talks on the line. Used only while the slave is open at lineSpeed().
class BalanceProtocol {
 public:
  virtual ~BalanceProtocol() = default;

  virtual speed_t lineSpeed() const = 0;

  // Back to the idle state after the line was closed or ran at another speed.
  virtual void reset(SimClock::time_point now) = 0;

  // Frames to send for bytes the program wrote.
  virtual std::vector<Frame> answer(std::span<const std::uint8_t> received) = 0;

  // When the next streamed frame is due, for balances that send on their own.
  virtual std::optional<SimClock::time_point> nextStreamTime() const { return std::nullopt; }
  virtual std::optional<Frame> stream(SimClock::time_point /*now*/) { return std::nullopt; }
};

std::unique_ptr<BalanceProtocol> makeTskProtocol(ReadingStream& readings, int decimals);
std::unique_ptr<BalanceProtocol> makeBProtocol(ReadingStream& readings, int decimals,
                                               std::uint8_t modelCode, std::uint32_t serialNumber);
std::unique_ptr<BalanceProtocol> makeBmProtocol(ReadingStream& readings, int decimals,
                                                std::string model, std::uint32_t serialNumber,
                                                std::chrono::milliseconds period);

std::unique_ptr<BalanceProtocol> makeBalanceProtocol(const Options& options,
                                                     ReadingStream& readings);

}  // namespace tarvelo::balance_sim
