#include "weight_source.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvelo::sim {

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

std::unique_ptr<WeightSource> makeNoisyWeightSource(double grams, double noiseSdGrams,
                                                    std::uint32_t seed) {
  return std::make_unique<NoisyWeight>(grams, noiseSdGrams, seed);
}

}  // namespace tarvelo::sim
