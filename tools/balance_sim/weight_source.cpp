#include "weight_source.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvelo::balance_sim {

namespace {

constexpr std::string_view kBlankChars = " \t\r";

class CycledWeights final : public WeightSource {
 public:
  explicit CycledWeights(std::vector<double> grams) : grams_(std::move(grams)) {}

  double nextGrams() override {
    const double grams = grams_[next_];
    next_ = (next_ + 1) % grams_.size();
    return grams;
  }

 private:
  std::vector<double> grams_;
  std::size_t next_ = 0;
};

class NoisyWeight final : public WeightSource {
 public:
  NoisyWeight(double grams, double noiseSdGrams, std::uint32_t seed)
      : grams_(grams), noiseSdGrams_(noiseSdGrams), engine_(seed) {}

  double nextGrams() override { return grams_ + noiseSdGrams_ * gaussian_(engine_); }

 private:
  double grams_;
  double noiseSdGrams_;
  std::mt19937 engine_;
  std::normal_distribution<double> gaussian_;
};

class ProfileWeights final : public WeightSource {
 public:
  ProfileWeights(std::vector<ProfileStep> steps, std::uint32_t seed, StepBegins stepBegins)
      : steps_(std::move(steps)), engine_(seed), stepBegins_(std::move(stepBegins)) {}

  double nextGrams() override {
    const auto now = Clock::now();
    const std::uint64_t begunBefore = stepsBegun_;
    if (!stepEnd_) {
      enterStep(now);
    }
    while (now >= *stepEnd_) {
      step_ = (step_ + 1) % steps_.size();
      enterStep(*stepEnd_);
    }
    if (stepsBegun_ != begunBefore && stepBegins_) stepBegins_(steps_[step_]);
    return load_ + steps_[step_].noiseSdGrams * gaussian_(engine_);
  }

 private:
  using Clock = std::chrono::steady_clock;

  void enterStep(Clock::time_point start) {
    const ProfileStep& step = steps_[step_];
    ++stepsBegun_;
    load_ = std::uniform_real_distribution<double>(step.lowGrams, step.highGrams)(engine_);
    stepEnd_ = start + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(step.seconds));
  }

  std::vector<ProfileStep> steps_;
  std::mt19937 engine_;
  std::normal_distribution<double> gaussian_;
  StepBegins stepBegins_;
  std::size_t step_ = 0;
  std::uint64_t stepsBegun_ = 0;
  double load_ = 0.0;
  std::optional<Clock::time_point> stepEnd_;
};

// A number of the profile; throws naming the step.
double profileNumber(std::string_view text, std::string_view step) {
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    throw std::invalid_argument("--profile: not a number in step " + std::string(step));
  }
  return value;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(kBlankChars);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlankChars);
  return text.substr(first, last - first + 1);
}

}  // namespace

std::unique_ptr<WeightSource> makeFileWeightSource(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot open weights file " + file.string());
  std::vector<double> grams;
  std::string line;
  for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
    const std::string_view text = trimmed(line);
    if (text.empty()) continue;
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
      throw std::runtime_error(file.string() + ":" + std::to_string(lineNumber) +
                               ": not a weight: " + std::string(text));
    }
    grams.push_back(value);
  }
  if (grams.empty()) throw std::runtime_error("no weights in " + file.string());
  return std::make_unique<CycledWeights>(std::move(grams));
}

std::vector<ProfileStep> parseProfile(std::string_view text) {
  std::vector<ProfileStep> steps;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const std::string_view step = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    const auto first = step.find(':');
    const auto second = step.find(':', first == std::string_view::npos ? first : first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) {
      throw std::invalid_argument("--profile: expected SECONDS:GRAMS[-GRAMS]:NOISE, not " +
                                  std::string(step));
    }
    const std::string_view load = step.substr(first + 1, second - first - 1);
    // A range's dash comes after its first digit, so a negative load stays one number.
    const auto dash = load.find('-', 1);
    ProfileStep parsed{profileNumber(step.substr(0, first), step), 0, 0,
                       profileNumber(step.substr(second + 1), step)};
    parsed.lowGrams = profileNumber(load.substr(0, dash), step);
    parsed.highGrams = dash == std::string_view::npos ? parsed.lowGrams
                                                      : profileNumber(load.substr(dash + 1), step);
    if (parsed.seconds <= 0 || parsed.noiseSdGrams < 0 || parsed.highGrams < parsed.lowGrams) {
      throw std::invalid_argument("--profile: step out of range: " + std::string(step));
    }
    steps.push_back(parsed);
  }
  if (steps.empty()) throw std::invalid_argument("--profile: no steps");
  return steps;
}

std::unique_ptr<WeightSource> makeProfileWeightSource(std::vector<ProfileStep> steps,
                                                      std::uint32_t seed, StepBegins stepBegins) {
  return std::make_unique<ProfileWeights>(std::move(steps), seed, std::move(stepBegins));
}

std::unique_ptr<WeightSource> makeNoisyWeightSource(double grams, double noiseSdGrams,
                                                    std::uint32_t seed) {
  return std::make_unique<NoisyWeight>(grams, noiseSdGrams, seed);
}

}  // namespace tarvelo::balance_sim
