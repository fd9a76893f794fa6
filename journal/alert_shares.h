#pragma once

#include <optional>

namespace tarvelo::journal {

// Shares of its reference weight, in per cent, below which a result calls for a look (the
// warning) and for action (the limit, commonly the humane endpoint).
inline constexpr double kDefaultWarningShare = 85.0;
inline constexpr double kDefaultLimitShare = 80.0;

struct AlertShares {
  double warning = kDefaultWarningShare;
  double limit = kDefaultLimitShare;
};

// Whether the warning is above the limit: one at or below it is never said, the limit first.
inline bool warningAboveLimit(const AlertShares& shares) { return shares.warning > shares.limit; }

enum class AlertLevel { Warning, Limit };

// How the results grid's note marks a result below a share of its reference.
inline constexpr char kLimitMark[] = "ПРЕДЕЛ: вес ниже допустимого";
inline constexpr char kWarningMark[] = "Внимание: вес снижен";

// What a weight of `share` per cent of its reference calls for; none above both shares.
inline std::optional<AlertLevel> alertLevelOf(double share, const AlertShares& shares) {
  if (share < shares.limit) return AlertLevel::Limit;
  if (share < shares.warning) return AlertLevel::Warning;
  return std::nullopt;
}

}  // namespace tarvelo::journal
