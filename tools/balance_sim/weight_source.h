#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace tarvelo::balance_sim {

// Where the weights on the pan come from, in grams.
class WeightSource {
 public:
  virtual ~WeightSource() = default;
  virtual double nextGrams() = 0;
};

// One step of a load profile: for `seconds`, a load drawn once between lowGrams and
// highGrams each time the step begins, with gaussian noise.
struct ProfileStep {
  double seconds;
  double lowGrams;
  double highGrams;
  double noiseSdGrams;
};

// Steps of "SECONDS:GRAMS[-GRAMS]:NOISE" separated by commas, such as
// "2:0:0.02,8:24-32:1.5". Throws std::invalid_argument naming the step at fault.
std::vector<ProfileStep> parseProfile(std::string_view text);

// Hears of a profile's step as it begins: at the weight that first shows it, once the
// steps nobody weighed are passed over.
using StepBegins = std::function<void(const ProfileStep& step)>;

// The profile's steps in turn, repeated forever, timed from the first weight taken.
std::unique_ptr<WeightSource> makeProfileWeightSource(std::vector<ProfileStep> steps,
                                                      std::uint32_t seed,
                                                      StepBegins stepBegins = {});

// Weights read from a file, one per line, repeated forever. Throws std::runtime_error.
std::unique_ptr<WeightSource> makeFileWeightSource(const std::filesystem::path& file);

// A fixed weight with gaussian noise; the same seed repeats the same stream.
std::unique_ptr<WeightSource> makeNoisyWeightSource(double grams, double noiseSdGrams,
                                                    std::uint32_t seed);

}  // namespace tarvelo::balance_sim
