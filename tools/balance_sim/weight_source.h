#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

namespace tarvelo::sim {

// Where the weights on the pan come from, in grams.
class WeightSource {
 public:
  virtual ~WeightSource() = default;
  virtual double nextGrams() = 0;
};

// Weights read from a file, one per line, repeated forever. Throws std::runtime_error.
std::unique_ptr<WeightSource> makeFileWeightSource(const std::filesystem::path& file);

// A fixed weight with gaussian noise; the same seed repeats the same stream.
std::unique_ptr<WeightSource> makeNoisyWeightSource(double grams, double noiseSdGrams,
                                                    std::uint32_t seed);

}  // namespace tarvelo::sim
