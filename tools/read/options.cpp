#include "options.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <optional>
#include <string_view>

#include "link/balance_identity.h"
#include "link/no_balance_watch.h"

namespace tarvelo::read {

namespace {

constexpr double kMaxLimitSeconds = 3600;
// The reader's clock counts milliseconds in 32 bits: 49 days; a month is the longest run.
constexpr double kMaxRunSeconds = 30.0 * 24 * 60 * 60;
// Lines are numbered as int.
constexpr long kMaxCount = INT_MAX;

std::optional<long long> wholeNumber(std::string_view text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> decimalNumber(std::string_view text) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string expected(std::string_view name, std::string_view what, std::string_view text) {
  return std::string(name) + ": ожидается " + std::string(what) + ", а не «" + std::string(text) + "»";
}

}  // namespace

std::variant<Options, UsageError> parseOptions(int argc, char** argv) {
  Options options;
  options.limitSeconds = link::NoBalanceWatch::kLimitMs / 1000.0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--identity") {
      options.identity = true;
      continue;
    }
    if (name != "--com" && name != "--count" && name != "--seconds" && name != "--limit") {
      return UsageError{"неизвестный аргумент «" + std::string(name) + "»"};
    }
    if (i + 1 == argc) return UsageError{std::string(name) + ": не задано значение"};
    const std::string_view text = argv[++i];
    if (name == "--com") {
      const auto port = wholeNumber(text);
      if (!port || *port < 1 || *port > link::kComPortCount) {
        return UsageError{expected(name, "номер порта от 1 до " + std::to_string(link::kComPortCount), text)};
      }
      options.port = static_cast<int>(*port);
    } else if (name == "--count") {
      const auto count = wholeNumber(text);
      if (!count || *count < 1 || *count > kMaxCount) {
        return UsageError{expected(name, "число показаний от 1 до " + std::to_string(kMaxCount), text)};
      }
      options.count = static_cast<long>(*count);
    } else {
      const double most = name == "--limit" ? kMaxLimitSeconds : kMaxRunSeconds;
      const auto seconds = decimalNumber(text);
      if (!seconds || *seconds <= 0 || *seconds > most) {
        return UsageError{expected(name, "число секунд больше 0 и не больше " + std::to_string(static_cast<long>(most)), text)};
      }
      (name == "--limit" ? options.limitSeconds : options.seconds) = *seconds;
    }
  }
  if (options.port == 0) return UsageError{"не задан --com N"};
  return options;
}

}  // namespace tarvelo::read
