#pragma once

#include <filesystem>

namespace tarvelo::balance_sim {

// Points the COM port link of `portNumber` at the pseudo-terminal slave for as long as it
// lives, and removes it afterwards if it still points there.
class ComPortLink {
 public:
  ComPortLink(int portNumber, const std::filesystem::path& slavePath);  // throws
  ~ComPortLink();
  ComPortLink(const ComPortLink&) = delete;
  ComPortLink& operator=(const ComPortLink&) = delete;

 private:
  std::filesystem::path link_;
  std::filesystem::path target_;
};

}  // namespace tarvelo::balance_sim
